#pragma once
// The main form for the targets whose readers are its members: made once per process as the program
// makes its components, without the start-up steps that load the skin (the fuzz programs live apart
// from the program folder). Its readers find their files beside the fuzz program, so a target writes
// its input there.
#include "fuzz_support.h"
#include "main.h"
#include "paths.h"

namespace fuzz {

inline Tfm_main &Form() {
  static Tfm_main *form = [] {
    testsupport::App();
    Places();
    Main = MainGlobals{};
    fm_main = new Tfm_main(nullptr);
    return fm_main;
  }();
  return *form;
}

inline void WriteProgramFile(const std::string &name, std::string_view bytes) {
  std::ofstream(win::ProgramFolder() + name, std::ios::binary | std::ios::trunc)
      .write(bytes.data(), std::streamsize(bytes.size()));
}

}  // namespace fuzz
