#pragma once
// Turns SIGINT and SIGTERM into a Qt signal on the main thread, so a
// terminal's Ctrl+C or a system shutdown closes the program as the user
// would rather than killing it mid-write.
#include <QObject>

class QSocketNotifier;

class StopSignals : public QObject {
  Q_OBJECT
public:
  // Installs the handlers; one object per program.
  explicit StopSignals(QObject* parent = nullptr);
  ~StopSignals() override;

signals:
  void stopRequested();

private:
  QSocketNotifier* notifier_ = nullptr;
};
