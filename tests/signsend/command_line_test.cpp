#include <gtest/gtest.h>

#include <QProcess>
#include <QTest>

#include "QtPrinting.h"
#include "LoopbackPeer.h"
#include "SendCommandLine.h"

namespace {

struct Outcome {
  int exitCode = -1;
  QString out;
  QString err;
};

// Runs the built signsend with arguments, feeding input to it, while this
// thread's event loop keeps serving the peers.
Outcome RunSignsend(const QStringList& arguments, const QByteArray& input = {}) {
  QProcess process;
  process.start(QStringLiteral(SIGNSEND_EXE), arguments);
  EXPECT_TRUE(process.waitForStarted(10000));
  process.write(input);
  process.closeWriteChannel();
  EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 30000));
  Outcome run;
  run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  run.out = QString::fromUtf8(process.readAllStandardOutput());
  run.err = QString::fromUtf8(process.readAllStandardError());
  return run;
}

QStringList HostAndPort(quint16 port) {
  return {QStringLiteral("--host"), QStringLiteral("127.0.0.1"), QStringLiteral("--port"), QString::number(port)};
}

TEST(CommandLine, SendsEachTextOnAConnectionOfItsOwn) {
  LoopbackPeer peer;
  const Outcome run = RunSignsend(HostAndPort(peer.Port()) << QStringLiteral("ABC") << QStringLiteral("čau"));
  EXPECT_EQ(run.exitCode, kExitSent) << run.err.toStdString();
  EXPECT_EQ(run.out, "Connect OK\nSend : ABC\nDisconnect OK\nConnect OK\nSend : čau\nDisconnect OK\n");
  ASSERT_TRUE(peer.WaitForClosed(2));
  EXPECT_EQ(peer.Closed()[0], QByteArray("\x02\xFF" "ABC\x03"));
  EXPECT_EQ(peer.Closed()[1], QByteArray("\x02\xFF\xE8" "au\x03"));
}

TEST(CommandLine, WithoutTextsEachLineOfInputIsSent) {
  LoopbackPeer peer;
  const Outcome run = RunSignsend(HostAndPort(peer.Port()) << QStringLiteral("--address") << QStringLiteral("0x10"),
                              "first\r\n\nthird\n");
  EXPECT_EQ(run.exitCode, kExitSent) << run.err.toStdString();
  ASSERT_TRUE(peer.WaitForClosed(3));
  EXPECT_EQ(peer.Closed()[0], QByteArray("\x02\x10" "first\x03"));
  EXPECT_EQ(peer.Closed()[1], QByteArray("\x02\x10\x03"));
  EXPECT_EQ(peer.Closed()[2], QByteArray("\x02\x10" "third\x03"));
}

TEST(CommandLine, FailuresEndWithTheirExitCodeAndAMessage) {
  LoopbackPeer peer;
  const QString port = QString::number(peer.Port());
  const QString nobody = QString::number(PortWithoutListener());
  const struct {
    QStringList arguments;
    int exitCode;
    QString message;
  } cases[] = {
      {{"--host", "127.0.0.1", "--port", nobody, "x"}, kExitNoConnection, "Error connection to 127.0.0.1 port " + nobody},
      {{"--host", "127.0.0.1", "--port", "10x01", "x"}, kExitUsage, "'10x01' is not a valid integer value"},
      {{"--host", "127.0.0.1", "--port", "70000", "x"}, kExitUsage, "port 70000 is outside 1 to 65535"},
      {{"--host", "127.0.0.1", "--port", port, "--address", "256", "x"}, kExitUsage, "address 256 is outside 0 to 255"},
      {{"--port", port, "x"}, kExitUsage, "--host is required"},
      {{"--host", "127.0.0.1", "--colour", "x"}, kExitUsage, "Unknown option 'colour'"},
      // A bad text among good ones sends none of them.
      {{"--host", "127.0.0.1", "--port", port, "fine", QString(253, 'x')}, kExitTextRefused,
       "Not sent: the text is 253 bytes long, a packet holds at most 252"},
      {{"--host", "127.0.0.1", "--port", port, "fine", "Ωmega"}, kExitTextRefused,
       "Not sent: the character 'Ω' (U+03A9) is not in the code page Windows-1250"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arguments.join(' ').left(60).toStdString());
    const Outcome run = RunSignsend(c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode);
    EXPECT_TRUE(run.err.startsWith("signsend: ")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(c.message)) << run.err.toStdString();
  }
  EXPECT_EQ(peer.Opened(), 0);
}

TEST(CommandLine, ALineOfInputTooLongStopsTheRunAfterTheLinesBefore) {
  LoopbackPeer peer;
  const Outcome run = RunSignsend(HostAndPort(peer.Port()), "one\n" + QByteArray(253, 'x') + "\nthree\n");
  EXPECT_EQ(run.exitCode, kExitTextRefused);
  ASSERT_TRUE(peer.WaitForClosed(1));
  EXPECT_EQ(peer.Opened(), 1);
  EXPECT_EQ(peer.Closed()[0], QByteArray("\x02\xFF" "one\x03"));
}

TEST(CommandLine, TellsItsVersionAndUsage) {
  const Outcome version = RunSignsend({QStringLiteral("--version")});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out, "signsend 1.04.00\n");
  const Outcome help = RunSignsend({QStringLiteral("--help")});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_TRUE(help.out.contains("--host <HOST>")) << help.out.toStdString();
}

}  // namespace
