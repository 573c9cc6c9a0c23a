// Takes the documentation's pictures of signview: starts the program as a
// user would (on a settings file of its own), presses "Update", waits for a
// packet from outside, then saves both windows as PNG files.
//
//   signview_screenshots OUTDIR [PORT]
//   printf '\x02\xffHello\x03' | nc -q1 127.0.0.1 PORT   (once it says ready)
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include "SignviewProgram.h"

namespace {
// Runs the event loop until done() holds or ms passed.
template <typename Done>
bool Wait(Done done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(5);
  }
  return done();
}
}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: signview_screenshots OUTDIR [PORT]\n");
    return 2;
  }
  const QString outDir = QString::fromLocal8Bit(argv[1]);
  const int port = argc > 2 ? std::atoi(argv[2]) : 10001;
  QTemporaryDir settingsDir;
  const std::string ini = settingsDir.filePath("signview.INI").toStdString();
  std::FILE* f = std::fopen(ini.c_str(), "w");
  if (!f) return 1;
  std::fprintf(f, "[PC]\nRemote=%d\n", port);
  std::fclose(f);

  SignviewProgram program([ini] { return SettingsFile::AtPath(ini); });
  program.Start();
  if (program.Intake().Port() != port) {
    std::fprintf(stderr, "port %d cannot be opened\n", port);
    return 1;
  }
  program.MainForm().Button1->click();
  if (!Wait([&] { return program.Platform().LatestSnapshot().tick > 2; }, 10000)) {
    std::fprintf(stderr, "the sign did not start\n");
    return 1;
  }
  std::printf("ready on port %d\n", port);
  std::fflush(stdout);
  if (!Wait([&] { return program.MainForm().StatusPanel0->text().startsWith("Data Pockets"); }, 60000)) {
    std::fprintf(stderr, "no packet arrived\n");
    return 1;
  }
  Wait([] { return false; }, 800);  // a few ticks: the packet is on the sign

  const bool saved = program.MainForm().grab().save(QDir(outDir).filePath("signview-main.png")) &&
                     program.Simulator().grab().save(QDir(outDir).filePath("signview-simulation.png"));
  program.MainForm().close();
  return saved ? 0 : 1;
}
