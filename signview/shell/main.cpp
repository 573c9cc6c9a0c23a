// signview: the Lumidot sign simulator.
#include <exception>

#include <QApplication>
#include <QMessageBox>

#include "SettingsFile.h"
#include "SignviewProgram.h"
#include "StopSignals.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The program ends when the main window closes, whatever else is open.
  app.setQuitOnLastWindowClosed(false);
  try {
    SignviewProgram program([] {
      return SettingsFile::ForProgram(QCoreApplication::applicationDirPath().toStdString(),
                                      "signview.INI");
    });
    QObject::connect(&program, &SignviewProgram::finished, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    StopSignals stopSignals;
    QObject::connect(&stopSignals, &StopSignals::stopRequested, &program, &SignviewProgram::RequestStop);
    program.Start();
    return app.exec();
  } catch (const std::exception& e) {
    QMessageBox::critical(nullptr, QStringLiteral("signview"), QString::fromLocal8Bit(e.what()));
  } catch (...) {
    QMessageBox::critical(nullptr, QStringLiteral("signview"), QString());
  }
  return 1;
}
