// Command lines as the encoder and the probe are started: every argument the program quotes reaches
// the child as exactly the text it was. The input is the arguments, cut at NUL bytes; it is also
// split as a command line of its own.
#include "convertTh.h"
#include "fuzz_support.h"
#include "process.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  const std::string text = fuzz::Text(data, size);
  win::SplitCommandLine(text);

  const std::vector<std::string> arguments = fuzz::Split(text, '\0');
  std::string commandLine = "register.dat";
  for (const std::string &argument : arguments) commandLine += " " + QuoteIfBlank(argument);
  std::vector<std::string> expected{"register.dat"};
  expected.insert(expected.end(), arguments.begin(), arguments.end());
  FUZZ_CHECK(win::SplitCommandLine(commandLine) == expected);
  return 0;
}
