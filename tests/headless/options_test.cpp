// signview's command line seen from outside: refusals with exit code 2
// before anything starts, ports that cannot be had with exit code 1.
#include <gtest/gtest.h>

#include <QFile>
#include <QTcpServer>
#include <QTemporaryDir>

#include "ShellTestSupport.h"
#include "SignviewProcess.h"

namespace {

struct Refusal {
  QStringList arguments;
  const char* mentions;  // the message names what is wrong
};

TEST(SignviewCommandLine, RefusesInvalidOptionsWithCode2AndAClearMessage) {
  const Refusal refusals[] = {
      {{"--headless", "--columns", "97"}, "--columns '97'"},
      {{"--headless", "--columns", "120x"}, "--columns '120x'"},
      {{"--headless", "--lines", "12"}, "--lines '12'"},
      {{"--headless", "--rows", "5"}, "--rows '5'"},
      {{"--headless", "--rows", "0"}, "--rows '0'"},
      {{"--headless", "--color", "maybe"}, "--color 'maybe'"},
      {{"--headless", "--port", "70000"}, "--port '70000'"},
      {{"--headless", "--port", "0"}, "--port '0'"},
      {{"--headless", "--http", "65536"}, "--http '65536'"},
      {{"--headless", "--http-bind", "nowhere"}, "--http-bind 'nowhere'"},
      {{"--headless", "--clock", "junk"}, "--clock 'junk'"},
      {{"--headless", "--clock", "2031-02-30 12:00:00"}, "--clock '2031-02-30 12:00:00'"},
      {{"--headless", "stray"}, "unexpected argument 'stray'"},
      {{"--headless", "--columns"}, "--columns"},
      {{"--headless", "--bogus"}, "bogus"},
      {{"--terminal"}, "--headless"},
      {{"--snapshot", "sign.png"}, "--headless"},
      {{"--http", "8080"}, "--headless"},
  };
  for (const Refusal& r : refusals) {
    QTemporaryDir dir;
    const QString settings = dir.filePath("signview.INI");
    const ProgramRun run = RunSignview(QStringList{"--settings", settings} + r.arguments);
    const std::string arguments = r.arguments.join(' ').toStdString();
    EXPECT_EQ(run.code, 2) << arguments;
    EXPECT_TRUE(run.err.contains(r.mentions)) << arguments << ": " << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("signview --help")) << arguments;
    EXPECT_TRUE(run.out.isEmpty()) << arguments;
    EXPECT_FALSE(QFile::exists(settings)) << arguments << ": nothing ran, nothing is saved";
  }
}

TEST(SignviewCommandLine, HelpAndVersionGoToStandardOutput) {
  const ProgramRun help = RunSignview({"--help"});
  EXPECT_EQ(help.code, 0);
  for (const char* option : {"--headless", "--terminal", "--snapshot", "--http", "--http-bind", "--clock",
                             "--columns", "--settings"})
    EXPECT_TRUE(help.out.contains(option)) << option;
  const ProgramRun version = RunSignview({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_TRUE(version.out.startsWith("signview ")) << version.out.toStdString();
  EXPECT_TRUE(version.err.isEmpty());
}

// A port another program holds ends the run at once with code 1 and a
// message naming the port.
TEST(SignviewCommandLine, APortInUseEndsWithCode1) {
  QTcpServer holder;
  ASSERT_TRUE(holder.listen(QHostAddress::Any, 0));
  const QString held = QString::number(holder.serverPort());
  const QString free = QString::number(FreePort());
  struct Case {
    QStringList arguments;
    QString mentions;
  };
  const Case cases[] = {
      {{"--port", held}, "cannot listen for packets on port " + held},
      {{"--port", free, "--http", held}, "cannot serve HTTP on 127.0.0.1 port " + held},
  };
  for (const Case& c : cases) {
    QTemporaryDir dir;
    const ProgramRun run =
        RunSignview(QStringList{"--headless", "--settings", dir.filePath("signview.INI")} + c.arguments);
    EXPECT_EQ(run.code, 1) << c.arguments.join(' ').toStdString();
    EXPECT_TRUE(run.err.contains(c.mentions.toUtf8())) << run.err.toStdString();
  }
}

}  // namespace
