// signsend: sends texts to a Lumidot sign (or to signview) over TCP. With
// arguments it runs as a command-line tool; without, it opens its window.
#include <QApplication>
#include <QMessageBox>
#include <exception>
#include <iostream>

#include "SendCommandLine.h"
#include "SettingsFile.h"
#include "TForm1.h"
#include "Version.h"

namespace {

int RunWindow(int argc, char* argv[]) {
  QApplication app(argc, argv);
  try {
    TForm1 form(SettingsFile::ForProgram(QCoreApplication::applicationDirPath().toStdString(),
                                         "signsend.INI"));
    form.show();
    return app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("signsend"), QString::fromLocal8Bit(e.what()));
  }
  return 1;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc <= 1) return RunWindow(argc, argv);

  // No display is needed here.
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("signsend"));
  QCoreApplication::setApplicationVersion(QString::fromLatin1(kSignsendVersion));
  QTextStream out(stdout);
  QTextStream err(stderr);
  return RunCommandLine(QCoreApplication::arguments(), std::cin, out, err);
}
