// The TCP intake over real loopback connections: counting, the two log
// lines, the packet in the mailbox, and connections that send nothing,
// too little, too much or all at once.
#include <gtest/gtest.h>

#include <set>

#include "LogSink.h"
#include "Packet.h"
#include "PacketIntake.h"
#include "PacketMailbox.h"
#include "ShellTestSupport.h"

namespace {

const QDateTime kClock(QDate(2026, 12, 11), QTime(9, 5, 7));
const QString kStampLine = "11.12.2026  09:05:07 -> Read String [Hex]:";

class IntakeTest : public testing::Test {
protected:
  void SetUp() override {
    intake.SetClock([] { return kClock; });
    QObject::connect(&log, &LogSink::linesReady, [this](const QStringList& l) { lines += l; });
    QObject::connect(&intake, &PacketIntake::connectionCounted, [this](int n) { counts.push_back(n); });
    ASSERT_EQ(intake.Listen(0), std::nullopt);
    port = intake.Port();
    ASSERT_NE(port, 0);
  }

  bool WaitForLines(int n) { return WaitUntil([&] { return lines.size() >= n; }); }

  // The packet now waiting in the mailbox (empty when none waits), without
  // its trailing zero bytes.
  std::vector<uint8_t> Waiting() {
    std::vector<uint8_t> slot(PacketMailbox::kSize);
    if (!mailbox.Take(slot)) return {};
    while (!slot.empty() && slot.back() == 0) slot.pop_back();
    return slot;
  }

  PacketMailbox mailbox;
  LogSink log{1};
  PacketIntake intake{mailbox, log};
  quint16 port = 0;
  QStringList lines;
  std::vector<int> counts;
};

TEST_F(IntakeTest, APacketIsCountedLoggedAndLeftInTheMailbox) {
  const uint8_t abc[] = {'A', 'B', 'C'};
  const auto packet = BuildPacket(abc);
  ASSERT_TRUE(SendPacket(port, packet));
  ASSERT_TRUE(WaitForLines(2));
  EXPECT_EQ(lines, QStringList({kStampLine, "02H,FFH,41H,42H,43H,03H,"}));
  EXPECT_EQ(counts, std::vector<int>{1});
  EXPECT_EQ(Waiting(), packet);
  EXPECT_EQ(intake.OpenConnections(), 0);
}

TEST_F(IntakeTest, EachConnectionGetsTheNextNumber) {
  const uint8_t a[] = {'A'};
  ASSERT_TRUE(SendPacket(port, BuildPacket(a)));
  ASSERT_TRUE(WaitForLines(2));
  ASSERT_TRUE(SendPacket(port, BuildPacket(a)));
  ASSERT_TRUE(WaitForLines(4));
  EXPECT_EQ(counts, (std::vector<int>{1, 2}));
  EXPECT_EQ(intake.PacketCount(), 3);
}

TEST_F(IntakeTest, AZeroByteEndsTheDumpButNotThePacket) {
  const std::vector<uint8_t> packet = {0x02, 0x00, 'H', 'i', 0x03};
  ASSERT_TRUE(SendPacket(port, packet));
  ASSERT_TRUE(WaitForLines(2));
  EXPECT_EQ(lines[1], "02H,");
  EXPECT_EQ(Waiting(), packet);
}

TEST_F(IntakeTest, APeerThatClosesWithoutSendingLeavesTheEmptyPacket) {
  { LoopbackClient silent(port); }
  ASSERT_TRUE(WaitForLines(2));
  EXPECT_EQ(lines, QStringList({kStampLine, ""}));
  EXPECT_EQ(counts, std::vector<int>{1});
  std::vector<uint8_t> slot(PacketMailbox::kSize, 0xAA);
  ASSERT_TRUE(mailbox.Take(slot));  // published: the display goes blank
  EXPECT_EQ(slot, std::vector<uint8_t>(PacketMailbox::kSize, 0));
}

TEST_F(IntakeTest, OnlyWhatArrivedAtTheFirstReceiveIsThePacket) {
  LoopbackClient client(port);
  ASSERT_TRUE(client.Send(Bytes("\x02\xff" "AB")));
  ASSERT_TRUE(WaitForLines(2));
  client.Send(Bytes("C\x03"));  // too late: the connection is done
  client.Close();
  QTest::qWait(50);
  EXPECT_EQ(lines, QStringList({kStampLine, "02H,FFH,41H,42H,"}));
  EXPECT_EQ(Waiting(), Bytes("\x02\xff" "AB"));
}

TEST_F(IntakeTest, OfTwoQuickPacketsBothAreLoggedAndTheSecondWaits) {
  const uint8_t one[] = {'1'}, two[] = {'2'};
  ASSERT_TRUE(SendPacket(port, BuildPacket(one)));
  ASSERT_TRUE(SendPacket(port, BuildPacket(two)));
  ASSERT_TRUE(WaitForLines(4));
  EXPECT_EQ(counts, (std::vector<int>{1, 2}));
  EXPECT_EQ(lines[1], "02H,FFH,31H,03H,");
  EXPECT_EQ(lines[3], "02H,FFH,32H,03H,");
  EXPECT_EQ(Waiting(), BuildPacket(two));
}

TEST_F(IntakeTest, ALongPacketIsTakenUpTo2048BytesAndDumpedWhole) {
  std::vector<uint8_t> packet(3000, 'A');
  packet[0] = 0x02;
  packet[1] = 0xFF;
  packet[2047] = 0x03;
  ASSERT_TRUE(SendPacket(port, packet));
  ASSERT_TRUE(WaitForLines(2));
  const std::vector<uint8_t> taken(packet.begin(), packet.begin() + 2048);
  EXPECT_EQ(lines[1].size(), 2048 * 4);
  EXPECT_EQ(lines[1].toStdString(), HexDump(taken));
  EXPECT_EQ(Waiting(), taken);
}

TEST_F(IntakeTest, AnIdleConnectionNeitherEmptiesNorReplacesAWaitingPacket) {
  intake.SetIdleTimeout(300);
  const uint8_t text[] = {'W', 'a', 'i', 't'};
  ASSERT_TRUE(SendPacket(port, BuildPacket(text)));
  ASSERT_TRUE(WaitForLines(2));

  LoopbackClient idle(port);
  ASSERT_TRUE(WaitUntil([&] { return counts.size() == 2; }));
  EXPECT_TRUE(mailbox.Ready());  // counted, and the packet still waits
  EXPECT_EQ(intake.OpenConnections(), 1);

  // After the time-out: logged like a failed receive, nothing published.
  ASSERT_TRUE(WaitForLines(4));
  EXPECT_EQ(lines.mid(2), QStringList({kStampLine, ""}));
  EXPECT_EQ(intake.OpenConnections(), 0);
  EXPECT_EQ(Waiting(), BuildPacket(text));
}

TEST_F(IntakeTest, TwoHundredConnectionsAtOnceAreAllServed) {
  constexpr int kClients = 200;
  std::vector<LoopbackClient> clients;
  std::set<QString> expected;
  for (int i = 0; i < kClients; ++i) {
    clients.emplace_back(port);
    ASSERT_TRUE(clients.back().Connected()) << i;
  }
  for (int i = 0; i < kClients; ++i) {
    const std::string text = "packet " + std::to_string(i);
    const auto packet = BuildPacket(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
    ASSERT_TRUE(clients[i].Send(packet));
    expected.insert(QString::fromStdString(HexDump(packet)));
  }
  for (auto& c : clients) c.Close();

  ASSERT_TRUE(WaitForLines(2 * kClients)) << lines.size();
  std::vector<int> wanted(kClients);
  for (int i = 0; i < kClients; ++i) wanted[i] = i + 1;
  EXPECT_EQ(counts, wanted);
  std::set<QString> dumps;
  for (int i = 0; i < lines.size(); i += 2) {
    EXPECT_EQ(lines[i], kStampLine);
    dumps.insert(lines[i + 1]);
  }
  EXPECT_EQ(dumps, expected);
  EXPECT_EQ(intake.OpenConnections(), 0);
}

TEST_F(IntakeTest, APortInUseIsRefusedAndTheServerBeforeKeepsListening) {
  QTcpServer other;
  ASSERT_TRUE(other.listen(QHostAddress::Any, 0));
  const auto reason = intake.Listen(other.serverPort());
  ASSERT_TRUE(reason.has_value());
  EXPECT_FALSE(reason->isEmpty());
  EXPECT_EQ(intake.Port(), port);
  const uint8_t a[] = {'A'};
  ASSERT_TRUE(SendPacket(port, BuildPacket(a)));
  ASSERT_TRUE(WaitForLines(2));
}

TEST_F(IntakeTest, AConnectionBeingServedSurvivesAChangeOfPort) {
  LoopbackClient client(port);
  ASSERT_TRUE(WaitUntil([&] { return counts.size() == 1; }));
  ASSERT_EQ(intake.Listen(0), std::nullopt);
  EXPECT_NE(intake.Port(), port);
  const uint8_t a[] = {'A'};
  ASSERT_TRUE(client.Send(BuildPacket(a)));
  ASSERT_TRUE(WaitForLines(2));
  EXPECT_EQ(lines[1], "02H,FFH,41H,03H,");
}

}  // namespace
