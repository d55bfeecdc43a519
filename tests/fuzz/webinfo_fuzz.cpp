// "WebInfo.dll" as the help links read it: every record it holds, and the numbers past them.
#include "fuzz_support.h"
#include "uWRStream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string path = fuzz::WriteInput("WebInfo.dll", fuzz::Text(data, size));
  const int records = int(size / sizeof(TWebInfoRecord));
  for (int n = -1; n <= records + 1; ++n) {
    std::string address = "(untouched)";
    ReadWebInfoRecord(path, n, address);
    FUZZ_CHECK(address.size() <= 255);
    if (n < 1 || n > records) FUZZ_CHECK(address.empty());
  }
  return 0;
}
