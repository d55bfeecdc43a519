#pragma once
// The show mode of POWERPNT.EXE ("/show <path>"), which serves a slide show to the web-browser control,
// the page mode ("/page <path>"), which serves it the first page of any other document, and the
// background rendering begun when a presentation is opened in automation mode.
#include <string>

namespace ppt {

// Writes on stdout, one line each, flushed:
//   slide <i> <onClick> <onTime> <seconds> <picture path>   for i = 1..n, in order (800 x 600 PNG)
//   show <n>                                                 every slide is ready
// or "error <text>" and ends with code 1 when the file cannot be shown. Then it reads "slide <i>" and
// "end" lines on standard input and plays the presentation's sounds to match. The pictures stay
// until the end of standard input, which ends the show (code 0) and removes them.
int RunShow(const std::string &path);

// Writes on stdout "page <picture path>" (the document's first page or slide, 800 x 600 PNG), or
// "error <text>" and ends with code 1 when LibreOffice cannot draw the file. The picture stays until
// the end of standard input, which ends the process (code 0) and removes it.
int RunPage(const std::string &path);

// Renders `path` into the slide cache in a process of its own ("pptrender" beside this executable),
// so that the rendering outlives the automation session that opened the file; in this process when
// the helper is missing.
void StartBackgroundRendering(const std::string &path);

}  // namespace ppt
