// Fuzzes Format with arbitrary pattern bytes against a fixed argument list. The only failure
// allowed is EConvertError; anything else, a crash or a read past the list, is a bug.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bexlo;
  const std::string_view pattern(reinterpret_cast<const char*>(data), size);
  static const std::string text = "тест, text";
  int object = 0;
  const TVarRec args[] = {TVarRec(42),   TVarRec(-7LL),        TVarRec(3u),      TVarRec(1234.5),
                          TVarRec(-1e300), TVarRec(text),      TVarRec("abc"),   TVarRec(U'Ж'),
                          TVarRec(&object), TVarRec(0.0 / 0.0), TVarRec(2),      TVarRec(65535)};
  // Every prefix of the list, so that "missing argument" paths run at every position.
  for (std::size_t count : {std::size_t{0}, std::size_t{3}, std::size(args)}) {
    try {
      const std::string out = Format(pattern, std::span<const TVarRec>(args, count));
      (void)out;
    } catch (const EConvertError& e) {
      if (!IsValidUtf8(e.Message())) std::abort();
    }
  }
  return 0;
}
