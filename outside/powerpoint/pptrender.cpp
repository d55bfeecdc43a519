// pptrender <path>: renders a presentation's slides into the slide cache, for a show to come.
#include <cstdio>

#include "slide_render.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: pptrender <presentation>\n");
    return 2;
  }
  try {
    ppt::RenderSlides(argv[1]);
    return 0;
  } catch (const ppt::ERenderError &e) {
    std::fprintf(stderr, "pptrender: %s\n", e.what());
    return 1;
  }
}
