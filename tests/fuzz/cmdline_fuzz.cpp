// Command lines as the encoder and the probe are started: the program's path and every argument the
// program quotes reach the child as exactly the texts they were. The input is the program's path and
// then the arguments, cut at NUL bytes; it is also split as a command line of its own.
#include "convertTh.h"
#include "fuzz_support.h"
#include "process.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text = fuzz::Text(data, size);
  win::SplitCommandLine(text);

  const std::vector<std::string> expected = fuzz::Split(text, '\0');
  if (expected.empty()) return 0;
  std::string commandLine = QuoteProgramIfBlank(expected.front());
  for (std::size_t i = 1; i < expected.size(); ++i) commandLine += " " + QuoteIfBlank(expected[i]);
  FUZZ_CHECK(win::SplitCommandLine(commandLine) == expected);
  return 0;
}
