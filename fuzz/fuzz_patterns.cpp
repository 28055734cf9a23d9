// Page patterns against typed text, through the host: a pattern set as the
// input pattern (input2: the Core Animation formatter, the Core Graphics
// character test), as the whole-password pattern (input3: get_output5 and the
// password methods), or as the flags that build both (input6), by attribute
// or by script; then the text is typed key by key and script asks for the
// verdict and the ciphertexts.
//
// Input: a flag byte, two bytes of pattern length (up to 1 KiB), the
// pattern, then the text to type.
//   bit 0     Core Graphics model (else Core Animation)
//   bits 1-2  0 input2, 1 input3, 2 input6, 3 input2 and input3
//   bit 3     set as embed attributes (else by script)
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "fuzz/host_fuzz.h"

namespace {

constexpr size_t kLongestPattern = 1024;
constexpr int32_t kDefaultMaxlength = 100;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzhost::warmUp();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const auto model = data[0] & 1 ? fuzzhost::Model::kCoreGraphics : fuzzhost::Model::kCoreAnimation;
  const int where = (data[0] >> 1) & 3;
  const bool asAttributes = data[0] & 8;
  const size_t patternLength =
      std::min({static_cast<size_t>(data[1] << 8 | data[2]), kLongestPattern, size - 3});
  const std::string pattern(reinterpret_cast<const char*>(data + 3), patternLength);
  const std::string typed(reinterpret_cast<const char*>(data + 3 + patternLength),
                          size - 3 - patternLength);

  std::vector<const char*> names;
  if (where == 0 || where == 3) names.push_back("input2");
  if (where == 1 || where == 3) names.push_back("input3");
  if (where == 2) names.push_back("input6");

  fuzzhost::browserFor(model);
  fuzzhost::NothingLeft nothingLeft;
  {
    host::Embed embed;
    if (asAttributes)
      for (const char* name : names) embed.attributes.push_back({name, pattern});
    host::Instance control(embed);
    control.requestLayer();
    control.setWindow(0, 0, 220, 32);
    if (!asAttributes)
      for (const char* name : names) control.setProperty(name, host::Variant::string(pattern));
    control.focus(true);
    control.typeText(typed);

    host::ScriptResult length = control.invoke("get_output3");
    FUZZ_CHECK(length.ok && length.value.isInt32());
    FUZZ_CHECK(length.value.asInt32() >= 0 && length.value.asInt32() <= kDefaultMaxlength);
    host::ScriptResult verdict = control.invoke("get_output5");
    FUZZ_CHECK(verdict.ok && verdict.value.isInt32());
    FUZZ_CHECK(verdict.value.asInt32() == 0 || verdict.value.asInt32() == 1);
    FUZZ_CHECK(control.invoke("get_output2").ok);
    FUZZ_CHECK(control.invoke("get_output1").ok);
    FUZZ_CHECK(control.invoke("get_output16").ok);
  }
  nothingLeft.check();
  return 0;
}
