#include <gtest/gtest.h>

#include "automation/dispatch.h"
#include "automation/ole_object_list.h"
#include "automation/ole_registry.h"
#include "automation/ole_variant.h"
#include "core/automation/test_server.h"
#include "util/exceptions.h"

namespace bexlo {
namespace {

using testing_support::kTestServerProgId;
using testing_support::RegisterTestServer;
using testing_support::TestServer;
using testing_support::TestServerClassId;

std::string OleErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const EOleError& e) {
    return e.Message();
  }
  return "<no error>";
}

TEST(OleVariantTest, ValuesKeepTheirKindAndLooseReadsConvert) {
  EXPECT_TRUE(OleVariant().IsEmpty());
  EXPECT_TRUE(OleVariant::Null().IsNull());
  EXPECT_EQ(OleVariant::FromCurrency(12.3456).AsCurrencyScaled(), 123456);
  EXPECT_DOUBLE_EQ(OleVariant::FromCurrencyScaled(123456).ToDouble(), 12.3456);
  EXPECT_DOUBLE_EQ(OleVariant::FromSmallint(-3).ToDouble(), -3);
  EXPECT_DOUBLE_EQ(OleVariant::FromBoolean(true).ToDouble(), 1);
  EXPECT_TRUE(OleVariant::FromInteger(2).ToBoolean());
  EXPECT_EQ(OleVariant::FromString("x").AsString(), "x");
  EXPECT_EQ(OleErrorOf([] { (void)OleVariant::FromString("1").ToDouble(); }), "Type mismatch");
  EXPECT_EQ(OleErrorOf([] { (void)OleVariant::FromDouble(1).AsString(); }), "Type mismatch");
}

TEST(OleVariantTest, ByReferenceWritesIntoTheOwnersStorage) {
  double number = 1;
  std::string text = "old";
  std::uint8_t flag = 0;
  DispatchPtr object;

  const OleVariant n = OleVariant::RefDouble(&number);
  EXPECT_TRUE(n.IsByRef());
  EXPECT_EQ(n.BaseType(), OleVariant::varDouble);
  n.SetRef(OleVariant::FromInteger(5));
  EXPECT_EQ(number, 5);
  EXPECT_EQ(n.AsDouble(), 5);
  EXPECT_EQ(n.Deref().VarType(), OleVariant::varDouble);

  OleVariant::RefString(&text).SetRef(OleVariant::FromString("new"));
  EXPECT_EQ(text, "new");
  OleVariant::RefBoolean(&flag).SetRef(OleVariant::FromBoolean(true));
  EXPECT_EQ(flag, 1);

  DispatchPtr server = MakeDispatch<TestServer>();
  OleVariant::RefDispatch(&object).SetRef(OleVariant::FromDispatch(server));
  EXPECT_EQ(object, server);
  EXPECT_EQ(server->RefCount(), 2);

  EXPECT_EQ(OleErrorOf([&] { OleVariant::RefString(&text).SetRef(OleVariant::FromDouble(1)); }),
            "Type mismatch");
  EXPECT_EQ(OleErrorOf([] { OleVariant::FromDouble(1).SetRef(OleVariant::FromDouble(2)); }),
            "Type mismatch");
}

TEST(DispatchTest, ReferencesAreCountedAndMembersFoundByNameInAnyCase) {
  DispatchPtr server = MakeDispatch<TestServer>();
  EXPECT_EQ(server->RefCount(), 1);
  {
    DispatchPtr copy = server;
    EXPECT_EQ(server->RefCount(), 2);
  }
  EXPECT_EQ(server->RefCount(), 1);

  OleVariant args[] = {OleVariant::FromDouble(21)};
  OleVariant result;
  DispatchInvoke(*server, "twice", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, &result);
  EXPECT_EQ(result.AsDouble(), 42);

  DISPID id = 0;
  EXPECT_EQ(server->GetIDsOfNames("NoSuchMember", id), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(OleErrorOf([&] { DispatchInvoke(*server, "NoSuchMember", DISPATCH_METHOD, {}, nullptr); }),
            "Unknown name");
  EXPECT_EQ(OleErrorOf([&] { DispatchInvoke(*server, "Twice", DISPATCH_METHOD, {}, nullptr); }),
            "Invalid number of parameters");
  EXPECT_EQ(OleErrorOf([] { OleCheck(static_cast<HRESULT>(0x80041234u)); }), "OLE error 80041234");
}

TEST(OleRegistryTest, ProgramIdsResolveToClassesAndFactories) {
  int created = 0;
  RegisterTestServer(&created);
  EXPECT_EQ(ProgIDToClassID("bexlo.testserver"), TestServerClassId());
  EXPECT_EQ(GUIDToString(TestServerClassId()), "{6B2A4C10-1F3E-4D5A-9C8B-0123456789AB}");
  EXPECT_EQ(StringToGUID("{6b2a4c10-1f3e-4d5a-9c8b-0123456789ab}"), TestServerClassId());
  EXPECT_EQ(OleErrorOf([] { (void)StringToGUID("{6B2A4C10-1F3E}"); }), "Invalid class string");

  EXPECT_EQ(OleErrorOf([] { (void)ProgIDToClassID("No.Such.Server"); }), "Invalid class string");
  EXPECT_EQ(OleErrorOf([] { (void)CreateOleObject("No.Such.Server"); }), "Invalid class string");

  DispatchPtr first = CreateOleObject(kTestServerProgId);
  DispatchPtr second = CreateOleObject(kTestServerProgId);
  EXPECT_NE(first, second);
  EXPECT_EQ(created, 2);

  EXPECT_EQ(OleErrorOf([] { (void)GetActiveOleObject(kTestServerProgId); }), "Operation unavailable");
  RegisterActiveObject(TestServerClassId(), first);
  EXPECT_EQ(GetActiveOleObject(kTestServerProgId), first);
  RevokeActiveObject(TestServerClassId());
  EXPECT_EQ(OleErrorOf([] { (void)GetActiveOleObject(kTestServerProgId); }), "Operation unavailable");
  UnregisterOleServer(kTestServerProgId);
  EXPECT_EQ(OleErrorOf([] { (void)ProgIDToClassID(kTestServerProgId); }), "Invalid class string");
}

TEST(OleObjectListTest, CachesOneInstancePerServerAndReplacesDeadOnes) {
  int created = 0;
  RegisterTestServer(&created);
  TOleObjectList cache;

  // A running instance is taken rather than starting a new server.
  DispatchPtr running = CreateOleObject(kTestServerProgId);
  RegisterActiveObject(TestServerClassId(), running);
  EXPECT_EQ(cache.GetOleObject(kTestServerProgId), running);
  EXPECT_EQ(cache.GetOleObject("BEXLO.TESTSERVER"), running);
  EXPECT_EQ(cache.Count(), 1);
  EXPECT_EQ(created, 1);

  // The server quits: the cached reference no longer answers and is replaced by a new server.
  DispatchInvoke(*running, "Quit", DISPATCH_METHOD, {}, nullptr);
  DispatchPtr replacement = cache.GetOleObject(kTestServerProgId);
  EXPECT_NE(replacement, running);
  EXPECT_EQ(created, 2);
  EXPECT_EQ(cache.Count(), 1);
  unsigned count = 0;
  EXPECT_EQ(replacement->GetTypeInfoCount(count), S_OK);

  EXPECT_EQ(OleErrorOf([&] { (void)cache.GetOleObject("No.Such.Server"); }), "Invalid class string");
  UnregisterOleServer(kTestServerProgId);
}

}  // namespace
}  // namespace bexlo
