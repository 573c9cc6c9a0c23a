// signview --headless end to end: the real program on free ports, texts
// sent with signsend, the sign watched over HTTP, in the snapshot file, in
// the terminal and on standard output.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTcpSocket>

#include "LedGrid.h"
#include "SettingsFile.h"
#include "SignviewProcess.h"

namespace {

// Most tests watch a two-row colour sign of 120 columns and 16 lines.
const QStringList kColourSign{"--columns", "120", "--lines", "16", "--rows", "2", "--color", "on"};
LedGrid ColourSignLeds(const QImage& picture) { return ReadLeds(picture, 120, 16, 2); }

QString Text(const QJsonObject& state) { return state["text"].toObject()["text"].toString(); }
QString Variable(const QJsonObject& state, int n) {
  return state["variables"].toArray()[n].toObject()["text"].toString();
}
int Parameter(const QJsonObject& state, const char* name) {
  return state["parameters"].toObject()[name].toInt(-1);
}

// Green "GG", flashing yellow "YY" after it, then still red "RR" on the second
// row: every lit LED of the right colour where its letters are, the
// flashing ones dark in phase B only.
TEST(HeadlessDisplay, ShowsEachColourWhereItsTextIsInBothFlashPhases) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start(kColourSign)) << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"$C2GG$F1$C3YY$F0$CR$C1RR"}));

  const LedGrid a = ColourSignLeds(sign.Display("a"));
  const LedGrid b = ColourSignLeds(sign.Display("b"));
  ASSERT_FALSE(a.codes.empty()) << "phase A is no 120 x 16 x 2 picture";
  ASSERT_FALSE(b.codes.empty()) << "phase B is no 120 x 16 x 2 picture";
  EXPECT_EQ(a.Unreadable(), 0) << "an LED centre has no LED colour: the layout is off";

  const LedExtent green = a.Find(kGreen), yellow = a.Find(kYellow), red = a.Find(kRed);
  // Two letters need more than a few LEDs each and fewer than 10 columns each.
  for (const auto& [name, e, row] : {std::tuple{"green", green, 0}, {"yellow", yellow, 0}, {"red", red, 1}}) {
    SCOPED_TRACE(name);
    EXPECT_GT(e.count, 20);
    EXPECT_EQ(e.firstRow, row);
    EXPECT_EQ(e.lastRow, row);
  }
  EXPECT_LT(green.firstColumn, 3) << "texts start at the left edge";
  EXPECT_LT(red.firstColumn, 3) << "texts start at the left edge";
  EXPECT_LT(green.lastColumn, yellow.firstColumn) << "yellow follows green";
  EXPECT_LT(yellow.lastColumn, 40);
  EXPECT_LT(red.lastColumn, 20);

  const LedExtent greenB = b.Find(kGreen), yellowB = b.Find(kYellow), redB = b.Find(kRed);
  EXPECT_EQ(yellowB.count, 0) << "the flashing letters are dark in phase B";
  EXPECT_EQ(greenB.count, green.count);
  EXPECT_EQ(redB.count, red.count);
}

// Without the colour switch every ink is red, whatever the text asks for.
TEST(HeadlessDisplay, WithoutColourEveryInkIsRed) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start({"--columns", "120", "--lines", "16", "--rows", "2", "--color", "off"}))
      << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"$C2GG$C3YY"}));
  const LedGrid a = ColourSignLeds(sign.Display("a"));
  ASSERT_FALSE(a.codes.empty());
  EXPECT_GT(a.Find(kRed).count, 40);
  EXPECT_EQ(a.Find(kGreen).count + a.Find(kYellow).count, 0);
  EXPECT_FALSE(sign.State()["color"].toBool());
}

TEST(HeadlessState, FollowsTextVariablesParametersAndPackets) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start(kColourSign)) << sign.StartProblem();
  QJsonObject s = sign.State();
  EXPECT_EQ(Text(s), "#127") << "the start-up text";
  EXPECT_EQ(s["packets"].toInt(-1), 0);
  EXPECT_EQ(s["packetPort"].toInt(), sign.PacketPort());
  for (auto [key, value] : {std::pair{"columns", 120}, {"lines", 16}, {"rows", 2}})
    EXPECT_EQ(s[key].toInt(), value) << key;
  EXPECT_TRUE(s["color"].toBool());

  ASSERT_TRUE(sign.Send({"T=$I3$I3$I3"}));
  s = sign.State();
  EXPECT_EQ(Text(s), "T=$I3$I3$I3\x03") << "the text keeps its end byte";
  EXPECT_TRUE(s["text"].toObject()["hex"].toString().startsWith("54 3D 24 49 33"));
  EXPECT_EQ(Variable(s, 3), QString(20, ' ')) << "a new text blanks the variables";
  EXPECT_EQ(s["packets"].toInt(), 1);

  ASSERT_TRUE(sign.Send({"$Z321C"}));
  s = sign.State();
  EXPECT_EQ(Variable(s, 3), "21C");
  EXPECT_EQ(Text(s), "T=$I3$I3$I3\x03") << "a variable leaves the text";
  EXPECT_EQ(s["packets"].toInt(), 2);
  const LedGrid withVariable = ColourSignLeds(sign.Display("a"));

  // Period 'P' (80) and percentage '#' (35): 28 ticks on, 52 off.
  ASSERT_TRUE(sign.Send({"$GP#"}));
  s = sign.State();
  EXPECT_EQ(Parameter(s, "FLASHON"), 28);
  EXPECT_EQ(Parameter(s, "FLASHOFF"), 52);
  EXPECT_EQ(s["packets"].toInt(), 3);
  EXPECT_EQ(sign.LogLines().last(), "Flashing Parameters - $G");

  // The variable's characters are drawn where the text asks for them.
  ASSERT_TRUE(sign.Send({"T=21C"}));
  const LedGrid literal = ColourSignLeds(sign.Display("a"));
  ASSERT_FALSE(literal.codes.empty());
  EXPECT_GT(literal.Find(kRed).count, 20);
  EXPECT_EQ(withVariable.codes, literal.codes);

  EXPECT_EQ(sign.Stop(), 0) << sign.Err().toStdString();
  SettingsFile file = SettingsFile::AtPath(sign.SettingsPath().toStdString());
  ASSERT_TRUE(file.Load());
  EXPECT_EQ(file.GetInteger("EEPROM", "FLASHON", -1), 28);
  EXPECT_EQ(file.GetInteger("EEPROM", "FLASHOFF", -1), 52);
}

TEST(HeadlessState, AMovingSectionRunsAndScrolls) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start(kColourSign)) << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"$MThis text is far too long for the sign and moves along it$CR"}));
  ASSERT_TRUE(PollUntil([&] { return sign.State()["moving"].toBool(); }));
  const QImage before = sign.Display("a");
  ASSERT_TRUE(sign.WaitTicks(3));
  EXPECT_NE(before, sign.Display("a")) << "the picture follows the scrolling";
}

TEST(HeadlessLog, TheIntakesTwoLinesAndTheStatusLineOnHttpAndStandardOutput) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start()) << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"ABC"}));
  const QStringList lines = sign.LogLines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(QRegularExpression(R"(^\d\d\.\d\d\.\d{4}  \d\d:\d\d:\d\d -> Read String \[Hex\]:$)")
                  .match(lines[0])
                  .hasMatch())
      << lines[0].toStdString();
  EXPECT_EQ(lines[1], "02H,FFH,41H,42H,43H,03H,");
  EXPECT_EQ(lines[2], "Write Data");

  const HttpReply since = sign.Get("/log?since=2");
  EXPECT_EQ(since.status, 200);
  EXPECT_TRUE(since.body.contains("Write Data"));
  EXPECT_FALSE(since.body.contains("Read String")) << "only lines after the second";

  // The same lines, in order, on standard output.
  const QByteArray expected = (lines.join('\n') + '\n').toUtf8();
  EXPECT_TRUE(sign.Out().contains(expected)) << sign.Out().toStdString();
}

// Reads a whole file through one descriptor; its inode tells one version of
// the file from the next.
struct FileRead {
  bool opened = false;
  ino_t inode = 0;
  QByteArray bytes;
};
FileRead ReadWhole(const QString& path) {
  FileRead r;
  const int fd = ::open(path.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return r;
  r.opened = true;
  struct stat st {};
  if (::fstat(fd, &st) == 0) r.inode = st.st_ino;
  char buffer[65536];
  for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) r.bytes.append(buffer, n);
  ::close(fd);
  return r;
}

TEST(HeadlessSnapshot, EveryTickReplacesTheFileWithAWholePicture) {
  SignviewProcess sign;
  const QString path = sign.FilePath("sign.png");
  QStringList options = kColourSign;
  options << "--snapshot" << path;
  ASSERT_TRUE(sign.Start(options)) << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"$C2Snap$CR$C3shot"}));

  // Read as fast as possible while the ticks replace the file: every read
  // must be a whole PNG of the window's size, never a part of one.
  // (A new version is a new inode; a freed inode number may come back, so
  // changes between reads are counted.)
  int reads = 0, bad = 0, replacements = 0;
  ino_t lastInode = 0;
  QElapsedTimer clock;
  clock.start();
  while (replacements < 20 && clock.elapsed() < 60000) {
    const FileRead r = ReadWhole(path);
    if (!r.opened) continue;  // there is always a file once the first tick was written
    ++reads;
    const QImage image = QImage::fromData(r.bytes, "PNG");
    if (image.size() != QSize(486, 141)) ++bad;
    if (lastInode != 0 && r.inode != lastInode) ++replacements;
    lastInode = r.inode;
  }
  EXPECT_GE(replacements, 20) << "the file is replaced every tick";
  EXPECT_EQ(bad, 0) << "of " << reads << " reads";

  // The picture in the file is the one the HTTP view serves (a still text).
  const QImage file(path);
  const LedGrid leds = ColourSignLeds(file);
  ASSERT_FALSE(leds.codes.empty());
  EXPECT_EQ(leds.Find(kGreen).firstRow, 0);
  EXPECT_EQ(leds.Find(kYellow).firstRow, 1);
  EXPECT_EQ(file.convertToFormat(QImage::Format_RGB32),
            sign.Display().convertToFormat(QImage::Format_RGB32));

  EXPECT_EQ(sign.Stop(), 0) << sign.Err().toStdString();
  EXPECT_EQ(QDir(sign.FilePath(".")).entryList(QDir::Files, QDir::Name),
            (QStringList{"sign.png", "signview.INI"}))
      << "no half-written files are left behind";
}

// A snapshot file that cannot be written is reported once, not every tick,
// and the sign runs on.
TEST(HeadlessSnapshot, AFileThatCannotBeWrittenIsReportedOnce) {
  SignviewProcess sign;
  const QString path = sign.FilePath("no/such/folder/sign.png");
  ASSERT_TRUE(sign.Start({"--snapshot", path})) << sign.StartProblem();
  ASSERT_TRUE(sign.WaitTicks(5));
  ASSERT_TRUE(sign.Send({"still here"}));
  EXPECT_EQ(sign.Err().count("cannot write"), 1) << sign.Err().toStdString();
  EXPECT_TRUE(sign.Err().contains(path.toUtf8()));
  EXPECT_EQ(sign.Stop(), 0) << sign.Err().toStdString();
}

// The terminal frame last drawn whole: from the second-last cursor-home to
// the last one.
QByteArray LastWholeFrame(const QByteArray& out) {
  const qsizetype last = out.lastIndexOf("\x1b[H");
  const qsizetype before = last > 0 ? out.lastIndexOf("\x1b[H", last - 1) : -1;
  return before < 0 ? QByteArray() : out.mid(before, last - before);
}

TEST(HeadlessTerminal, DrawsTwoLedLinesPerCellAndTheLogBelow) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start({"--terminal", "--columns", "96", "--lines", "10", "--color", "on"}))
      << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"$C2AB"}));
  ASSERT_TRUE(sign.WaitTicks(2));
  QByteArray frame;
  ASSERT_TRUE(PollUntil([&] {
    frame = LastWholeFrame(sign.Out());
    return frame.contains("Write Data");
  }));
  const QList<QByteArray> lines = frame.split('\n');
  // 10 LED lines in 5 character lines of 96 half blocks each.
  ASSERT_GE(lines.size(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(lines[i].count("\u2580"), 96) << "line " << i;
  const QByteArray sign5 = lines.mid(0, 5).join('\n');
  EXPECT_TRUE(sign5.contains("92;") || sign5.contains(";102m")) << "green LEDs";
  EXPECT_FALSE(sign5.contains("91;") || sign5.contains(";101m")) << "no red LEDs";
  EXPECT_TRUE(frame.contains("02H,FFH,24H,43H,32H,41H,42H,03H,\x1b[K\n"));
  // The terminal is cleared at start, so the start line is drawn with the sign.
  EXPECT_TRUE(frame.contains(QString("the sign on %1\x1b[K\n").arg(sign.Url("/")).toUtf8()));
  EXPECT_EQ(sign.Out().count("Read String [Hex]:"), sign.Out().count("Read String [Hex]:\x1b[K"))
      << "log lines are drawn in the frames only";

  EXPECT_EQ(sign.Stop(), 0) << sign.Err().toStdString();
  EXPECT_TRUE(sign.Out().endsWith("\x1b[0m\x1b[?25h\n")) << "the cursor comes back";
}

class HeadlessStop : public testing::TestWithParam<int> {};

// A stop signal ends the run with code 0 and saves the options given as
// if chosen in the window; the next run starts from them.
TEST_P(HeadlessStop, EndsCleanlyAndSavesTheGivenOptions) {
  SignviewProcess first;
  ASSERT_TRUE(first.Start({"--columns", "144", "--lines", "20", "--rows", "3", "--color", "on"}))
      << first.StartProblem();
  EXPECT_EQ(first.Stop(GetParam()), 0) << first.Err().toStdString();

  SettingsFile file = SettingsFile::AtPath(first.SettingsPath().toStdString());
  ASSERT_TRUE(file.Load());
  // Indexes into the window's lists: 144 of 96, 120, 128, 144 …; 20 of
  // 10, 16, 20; 3 of 1 to 4.
  EXPECT_EQ(file.GetInteger("PC", "Columns", -1), 3);
  EXPECT_EQ(file.GetInteger("PC", "Line", -1), 2);
  EXPECT_EQ(file.GetInteger("PC", "Rows", -1), 2);
  EXPECT_EQ(file.GetInteger("PC", "Color", -1), 1);
  EXPECT_EQ(file.GetInteger("PC", "Remote", -1), first.PacketPort());
  EXPECT_EQ(file.GetInteger("EEPROM", "ADRESA", -1), 127);

  SignviewProcess second;
  ASSERT_TRUE(QFile::copy(first.SettingsPath(), second.SettingsPath()));
  ASSERT_TRUE(second.Start()) << second.StartProblem();
  const QJsonObject s = second.State();
  for (auto [key, value] : {std::pair{"columns", 144}, {"lines", 20}, {"rows", 3}})
    EXPECT_EQ(s[key].toInt(), value) << key;
  EXPECT_TRUE(s["color"].toBool());
}

INSTANTIATE_TEST_SUITE_P(Signals, HeadlessStop, testing::Values(SIGTERM, SIGINT),
                         [](const testing::TestParamInfo<int>& info) {
                           return std::string(info.param == SIGTERM ? "SIGTERM" : "SIGINT");
                         });

// With --clock the sign's time and date and the log's time stamps start at
// the given time.
TEST(HeadlessClock, TimeAndDateCodesShowTheGivenClock) {
  SignviewProcess sign;
  QStringList options = kColourSign;
  options << "--clock" << "2031-07-09 13:45:00";
  ASSERT_TRUE(sign.Start(options)) << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"$N0 $H1"}));
  EXPECT_EQ(Text(sign.State()), "$N0 $H1\x03");
  const QStringList lines = sign.LogLines();
  ASSERT_EQ(lines.size(), 3);
  EXPECT_TRUE(lines[0].startsWith("09.07.2031  13:45:")) << lines[0].toStdString();
  const LedGrid clock = ColourSignLeds(sign.Display("a"));

  // The same characters written out are drawn the same.
  ASSERT_TRUE(sign.Send({"09.07.2031 13"}));
  const LedGrid written = ColourSignLeds(sign.Display("a"));
  ASSERT_FALSE(written.codes.empty());
  EXPECT_GT(written.Find(kRed).count, 50);
  EXPECT_EQ(clock.codes, written.codes);
}

// Raw bytes to a port, and what comes back: until the peer closes, or
// until its first bytes when firstBytesOnly; at most maxWaitMs.
QByteArray Exchange(quint16 port, const QByteArray& bytes, bool firstBytesOnly = false,
                    int maxWaitMs = 10000) {
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  if (!socket.waitForConnected(5000)) return "no connection";
  socket.write(bytes);
  socket.waitForBytesWritten(5000);
  QByteArray answer;
  QElapsedTimer clock;
  clock.start();
  while (socket.state() == QAbstractSocket::ConnectedState && clock.elapsed() < maxWaitMs &&
         !(firstBytesOnly && !answer.isEmpty())) {
    socket.waitForReadyRead(50);
    answer += socket.readAll();
  }
  return answer + socket.readAll();
}

TEST(HeadlessHttp, BadRequestsAreAnsweredAndTheSignGoesOn) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start()) << sign.StartProblem();
  ASSERT_TRUE(sign.Send({"before"}));

  struct Case {
    const char* method;
    const char* path;
    int status;
  };
  for (const Case& c : {Case{"GET", "/nothing", 404}, {"GET", "/state.json/more", 404},
                        {"GET", "/display.png?phase=c", 400}, {"POST", "/state.json", 405},
                        {"PUT", "/display.png", 405}, {"DELETE", "/", 405}, {"POST", "/log", 405}})
    EXPECT_EQ(Fetch(sign.Url(c.path), c.method).status, c.status) << c.method << ' ' << c.path;

  // A header of 1 MiB gets an HTTP answer or none; packet bytes sent to the
  // HTTP port are no request. Neither reaches the sign.
  const QByteArray huge = Exchange(
      sign.HttpPort(), "GET /state.json HTTP/1.1\r\nHost: x\r\nX-Big: " + QByteArray(1 << 20, 'a') + "\r\n\r\n",
      true);
  EXPECT_TRUE(huge.isEmpty() || huge.startsWith("HTTP/1.1 ")) << huge.left(200).toStdString();
  const QByteArray packet = Exchange(sign.HttpPort(), "\x02\xff$C2packet\x03", true, 1000);
  EXPECT_FALSE(packet.startsWith("HTTP/1.1 200")) << packet.toStdString();
  ASSERT_TRUE(sign.WaitTicks(2));
  QJsonObject s = sign.State();
  EXPECT_EQ(Text(s), "before\x03");
  EXPECT_EQ(s["packets"].toInt(), 1);
  EXPECT_EQ(sign.LogLines().size(), 3);

  ASSERT_TRUE(sign.Send({"after"}));
  s = sign.State();
  EXPECT_EQ(Text(s), "after\x03");
  EXPECT_EQ(s["packets"].toInt(), 2);
}

// A browser's request sent to the packet port gets no answer: it is a
// packet like any other, logged and shown (its first two bytes taken as
// start and address).
TEST(HeadlessPorts, AnHttpRequestToThePacketPortIsJustAPacket) {
  SignviewProcess sign;
  ASSERT_TRUE(sign.Start()) << sign.StartProblem();
  EXPECT_EQ(Exchange(sign.PacketPort(), "GET /state.json HTTP/1.1\r\nHost: x\r\n\r\n"), QByteArray());
  ASSERT_TRUE(PollUntil([&] { return sign.LogLines().size() >= 3; }));
  ASSERT_TRUE(sign.WaitTicks(1));
  const QStringList lines = sign.LogLines();
  EXPECT_TRUE(lines[1].startsWith("47H,45H,54H,20H,2FH,")) << lines[1].toStdString();
  EXPECT_EQ(lines[2], "Write Data");
  const QJsonObject s = sign.State();
  EXPECT_TRUE(Text(s).startsWith("T /state.json HTTP/1.1\r\n")) << Text(s).toStdString();
  EXPECT_EQ(s["packets"].toInt(), 1);
}

}  // namespace
