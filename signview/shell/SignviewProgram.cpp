#include "SignviewProgram.h"

#include <cstdio>

SignviewProgram::SignviewProgram(TMainForm::SettingsSource settings)
    : intake_(mailbox_, log_),
      platform_(*this, mailbox_, log_, threads_),
      simulator_(std::make_unique<TSimulator>(platform_)),
      mainForm_(std::make_unique<TMainForm>(std::move(settings), log_, intake_, *simulator_)) {
  simulator_->setFont(mainForm_->font());
  connect(mainForm_.get(), &TMainForm::closed, this, [this] {
    Stop();
    emit finished();
  });
}

SignviewProgram::~SignviewProgram() { Stop(); }

void SignviewProgram::Start() { mainForm_->show(); }

void SignviewProgram::Stop() {
  if (stopped_) return;
  stopped_ = true;
  simulator_->close();
  platform_.Shutdown();
  threads_.StopAndJoinAll();
  intake_.Close();
  log_.Flush();
}

void SignviewProgram::RequestStop() {
  if (stopped_) return;
  mainForm_->SetCloseEvenIfUnsaved(true);
  mainForm_->SetMessageBox([](const QString& text) {
    std::fprintf(stderr, "signview: %s; the settings were not saved\n", text.toLocal8Bit().constData());
  });
  mainForm_->close();
}

DisplayChoices SignviewProgram::ReadDisplayChoices() { return mainForm_->ReadDisplayChoices(); }

DeviceParameters& SignviewProgram::Parameters() { return mainForm_->Parameters(); }
