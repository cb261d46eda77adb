// A small automation server for the tests: "Bexlo.TestServer". Members:
//   Cells(row, col)  -> a cell object (with a Value property), created on first use
//   Price            -> currency 12.3456
//   Count            -> 32-bit integer 7
//   Title            -> string property (get/put)
//   Nothing          -> no value (empty)
//   Twice(x)         -> 2 * x (double)
//   Fill(&n, &s, &b) -> writes 42, "filled", true through its by-reference arguments
//   Self             -> the server itself (dispatch)
//   Quit             -> disconnects the server and withdraws its running instance
// Every call is logged as "NAME/kind(args)" so that tests can check order and call kinds.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "automation/dispatch.h"
#include "automation/ole_registry.h"
#include "automation/ole_variant.h"
#include "util/convert.h"

namespace bexlo::testing_support {

inline TGUID TestServerClassId() { return StringToGUID("{6B2A4C10-1F3E-4D5A-9C8B-0123456789AB}"); }
inline constexpr const char kTestServerProgId[] = "Bexlo.TestServer";

inline std::string DescribeArg(const OleVariant& v) {
  const OleVariant value = v.Deref();
  std::string text = v.IsByRef() ? "&" : "";
  switch (value.BaseType()) {
    case OleVariant::varEmpty: return text + "empty";
    case OleVariant::varOleStr: return text + "'" + value.AsString() + "'";
    case OleVariant::varBoolean: return text + (value.AsBoolean() ? "true" : "false");
    case OleVariant::varDispatch: return text + "dispatch";
    default: return text + FloatToStr(value.ToDouble());
  }
}

class TestCell : public TAutoObject {
 public:
  TestCell(std::vector<std::string>* log, std::string name) : log_(log), name_(std::move(name)) {
    AddMember("Value", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("VALUE", kind, args);
      if (kind & DISPATCH_PROPERTYPUT) {
        RequireArgs(args, 1);
        value_ = args.back().Deref();
      } else if (result) {
        *result = value_;
      }
    });
  }
  const OleVariant& Value() const { return value_; }

 private:
  void Log(const char* member, unsigned kind, std::span<OleVariant> args) {
    std::string entry = name_ + "." + member + "/" + std::to_string(kind) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i > 0) entry += ',';
      entry += DescribeArg(args[i]);
    }
    log_->push_back(entry + ")");
  }
  std::vector<std::string>* log_;
  std::string name_;
  OleVariant value_;
};

class TestServer : public TAutoObject {
 public:
  TestServer() {
    AddMember("Cells", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("CELLS", kind, args);
      RequireArgs(args, 2);
      const std::string key = DescribeArg(args[0]) + ":" + DescribeArg(args[1]);
      DispatchPtr& cell = cells_[key];
      if (!cell) cell = MakeDispatch<TestCell>(&log, "CELL" + key);
      if (result) *result = OleVariant::FromDispatch(cell);
    });
    AddMember("Price", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("PRICE", kind, args);
      if (result) *result = OleVariant::FromCurrencyScaled(123456);
    });
    AddMember("Count", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("COUNT", kind, args);
      if (result) *result = OleVariant::FromInteger(7);
    });
    AddMember("Title", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("TITLE", kind, args);
      if (kind & DISPATCH_PROPERTYPUT) {
        RequireArgs(args, 1);
        title_ = args.back().Deref().AsString();
      } else if (result) {
        *result = OleVariant::FromString(title_);
      }
    });
    AddMember("Nothing", [this](unsigned kind, std::span<OleVariant> args, OleVariant*) {
      Log("NOTHING", kind, args);
    });
    AddMember("Twice", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("TWICE", kind, args);
      RequireArgs(args, 1);
      if (result) *result = OleVariant::FromDouble(2 * args[0].ToDouble());
    });
    AddMember("Fill", [this](unsigned kind, std::span<OleVariant> args, OleVariant*) {
      Log("FILL", kind, args);
      RequireArgs(args, 3);
      args[0].SetRef(OleVariant::FromDouble(42));
      args[1].SetRef(OleVariant::FromString("filled"));
      args[2].SetRef(OleVariant::FromBoolean(true));
    });
    AddMember("Self", [this](unsigned kind, std::span<OleVariant> args, OleVariant* result) {
      Log("SELF", kind, args);
      if (result) *result = OleVariant::FromDispatch(DispatchPtr(this));
    });
    AddMember("Quit", [this](unsigned kind, std::span<OleVariant> args, OleVariant*) {
      Log("QUIT", kind, args);
      Disconnect();
      RevokeActiveObject(TestServerClassId());
    });
  }

  std::vector<std::string> log;
  const std::string& Title() const { return title_; }

 private:
  void Log(const char* member, unsigned kind, std::span<OleVariant> args) {
    std::string entry = std::string(member) + "/" + std::to_string(kind) + "(";
    for (std::size_t i = 0; i < args.size(); ++i) {
      if (i > 0) entry += ',';
      entry += DescribeArg(args[i]);
    }
    log.push_back(entry + ")");
  }
  std::map<std::string, DispatchPtr> cells_;
  std::string title_;
};

// Registers the server; `created` (optional) counts the instances the factory starts.
inline void RegisterTestServer(int* created = nullptr) {
  RegisterOleServer(kTestServerProgId, TestServerClassId(), [created] {
    if (created) ++*created;
    return MakeDispatch<TestServer>();
  });
}

}  // namespace bexlo::testing_support
