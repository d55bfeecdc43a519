// Saves what the X display shows, or one rectangle of it:  screen_grab <file.png> [x y width height]
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
  if (argc != 2 && argc != 6) {
    std::fprintf(stderr, "usage: screen_grab <file.png> [x y width height]\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "xcb");
  QGuiApplication app(argc, argv);
  QScreen *screen = QGuiApplication::primaryScreen();
  QPixmap shot;
  if (screen) {
    shot = argc == 6 ? screen->grabWindow(0, std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                                          std::atoi(argv[5]))
                     : screen->grabWindow(0);
  }
  if (shot.isNull() || !shot.save(argv[1])) {
    std::fprintf(stderr, "screen_grab: cannot grab the screen into %s\n", argv[1]);
    return 1;
  }
  return 0;
}
