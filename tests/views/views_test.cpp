// Views of the sign outside the window: the rendered pictures, the
// terminal frame, the log ring and the HTTP view over real loopback HTTP.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>

#include "HttpView.h"
#include "PictureRender.h"
#include "PngImage.h"
#include "TerminalView.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

EngineSnapshot Blank(int columns, int lines, int rows) {
  EngineSnapshot s;
  s.columns = columns;
  s.lines = static_cast<uint8_t>(lines);
  s.rows = static_cast<uint8_t>(rows);
  s.ledsA.assign(static_cast<std::size_t>(columns) * lines * rows, 0);
  s.ledsB = s.ledsA;
  return s;
}

void SetLed(EngineSnapshot& s, bool phaseA, int row, int line, int column, uint8_t code) {
  (phaseA ? s.ledsA : s.ledsB)[(static_cast<std::size_t>(row) * s.lines + line) * s.columns +
                               column] = code;
}

TEST(RenderPicture, LaysRowsOutLikeTheWindow) {
  EngineSnapshot s = Blank(240, 20, 4);
  SetLed(s, true, 3, 0, 0, 3);
  const ClientPicture a = RenderPicture(s, true);
  ASSERT_EQ(a.width, 966);
  ASSERT_EQ(a.height, 341);
  // Row 4 starts at y 256; its top-left LED is the lower-right 2x2 of the
  // 4x4 block at (3, 256).
  for (auto [x, y, colour] : {std::tuple{5, 258, kPalette[3]}, {6, 259, kPalette[3]},
                              {3, 256, kPalette[0]}, {4, 258, kPalette[0]}, {5, 257, kPalette[0]},
                              {2, 258, kWindowGray}, {5, 255, kWindowGray}})
    EXPECT_EQ(a.At(x, y), colour) << x << ',' << y;
  const PixelPosition p = LedPixel(s, 3, 0, 0);
  EXPECT_EQ(a.At(p.x, p.y), kPalette[3]);
  // The same LED is dark in phase B.
  EXPECT_EQ(RenderPicture(s, false).At(p.x, p.y), kPalette[0]);
}

// The snapshot's LEDs, drawn again, give exactly the picture the engine
// painted into the window, in whichever phase the tick showed.
TEST(RenderPicture, MatchesTheEnginesOwnPaintingInBothPhases) {
  TestPlatform platform;
  platform.fontDirectories = {"."};  // tests run in the folder of the font files
  platform.choices = {"120", "16", "2", true};
  platform.parameters.FlashOn = 2;
  platform.parameters.FlashOff = 2;
  auto e = std::make_shared<Tsiml>(platform);
  ASSERT_TRUE(e->Begin());
  const char text[] = "$C2Ab$F1$C3Fl$F0$CR$P1$C1x";
  std::memcpy(e->TextBuffer, text, sizeof text);
  bool sawA = false, sawB = false;
  for (int tick = 0; tick < 4; ++tick) {
    e->Tick();
    const bool phaseA = e->Snapshot.flashPhase == 1;
    (phaseA ? sawA : sawB) = true;
    const ClientPicture again = RenderPicture(e->Snapshot, phaseA);
    ASSERT_EQ(again.width, platform.lastPicture.width);
    ASSERT_EQ(again.height, platform.lastPicture.height);
    EXPECT_TRUE(again.pixels == platform.lastPicture.pixels) << "tick " << tick;
  }
  EXPECT_TRUE(sawA && sawB);
  // Something was drawn: the yellow flashing letters differ between phases.
  EXPECT_NE(e->Snapshot.ledsA, e->Snapshot.ledsB);
}

TEST(RenderTerminal, TwoLedLinesPerCharacterCell) {
  EngineSnapshot s = Blank(2, 2, 1);
  s.flashPhase = 1;
  SetLed(s, true, 0, 0, 0, 1);
  SetLed(s, true, 0, 1, 0, 3);
  SetLed(s, true, 0, 0, 1, 2);
  EXPECT_EQ(RenderTerminal(s), "\x1b[H\x1b[91;103m\u2580\x1b[92;40m\u2580\x1b[0m\n\n");
  s.flashPhase = 0;  // phase B is all dark here
  EXPECT_EQ(RenderTerminal(s), "\x1b[H\x1b[30;40m\u2580\u2580\x1b[0m\n\n");
}

TEST(SignState, KeepsTheMostRecentLogLinesNumbered) {
  SignState state(3);
  for (const char* line : {"a", "b", "c", "d"}) state.AppendLog(line);
  const auto lines = state.LogSince(0);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines.front(), (std::pair<uint64_t, std::string>{2, "b"}));
  EXPECT_EQ(state.LogSince(3).size(), 1u);
  EXPECT_FALSE(state.Latest().has_value());
}

TEST(PngImage, WritesAFileAReaderCanDecode) {
  EngineSnapshot s = Blank(96, 10, 1);
  SetLed(s, true, 0, 0, 95, 2);
  QTemporaryDir dir;
  const QString path = dir.filePath("sign.png");
  QString error;
  ASSERT_TRUE(WritePngAtomically(RenderPicture(s, true), path, &error)) << error.toStdString();
  QImage image(path);
  ASSERT_EQ(image.size(), QSize(390, 49));
  const PixelPosition p = LedPixel(s, 0, 0, 95);
  EXPECT_EQ(image.pixel(p.x, p.y), kPalette[2]);
  EXPECT_FALSE(WritePngAtomically(RenderPicture(s, true), dir.filePath("no/such/dir.png"), &error));
}

// A small HTTP client over QNetworkAccessManager, waiting on the event loop.
struct Reply {
  int status = 0;
  QByteArray body;
  QByteArray type;
};

Reply Fetch(const QString& url, const QByteArray& method = "GET") {
  QNetworkAccessManager manager;
  QNetworkRequest request{QUrl(url)};
  QNetworkReply* reply = manager.sendCustomRequest(request, method);
  QEventLoop loop;
  QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
  QTimer::singleShot(10000, &loop, &QEventLoop::quit);
  loop.exec();
  Reply r;
  r.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  r.body = reply->readAll();
  r.type = reply->header(QNetworkRequest::ContentTypeHeader).toByteArray();
  delete reply;
  return r;
}

class HttpViewTest : public ::testing::Test {
protected:
  SignState state;
  HttpView view{state, [](QJsonObject& o) { o["packets"] = 7; }};
  quint16 port = view.Listen(QHostAddress::LocalHost, 0);
  QString Url(const char* path) { return QString("http://127.0.0.1:%1%2").arg(port).arg(path); }

  void ShowText(const char* text, int flashPhase) {
    EngineSnapshot s = Blank(96, 10, 1);
    std::strcpy(reinterpret_cast<char*>(s.text), text);
    std::memcpy(s.variables[3], "AB", 2);
    s.flashPhase = static_cast<uint8_t>(flashPhase);
    s.tick = 42;
    SetLed(s, true, 0, 0, 0, 1);  // red in phase A only: a flashing LED
    state.Update(s);
  }
};

TEST_F(HttpViewTest, ServesStateDisplayAndLog) {
  ASSERT_NE(port, 0);
  EXPECT_EQ(Fetch(Url("/state.json")).status, 503);  // no tick yet
  ShowText("Hi\x8a", 0);
  state.AppendLog("Write Data");

  const Reply s = Fetch(Url("/state.json"));
  ASSERT_EQ(s.status, 200);
  const QJsonObject json = QJsonDocument::fromJson(s.body).object();
  EXPECT_EQ(json["columns"].toInt(), 96);
  EXPECT_EQ(json["text"].toObject()["hex"].toString(), "48 69 8A");
  EXPECT_EQ(json["text"].toObject()["text"].toString(), QString::fromUtf8("Hi\u0160"));
  EXPECT_EQ(json["variables"].toArray()[3].toObject()["text"].toString(), "AB");
  EXPECT_EQ(json["flashPhase"].toString(), "b");
  EXPECT_EQ(json["tick"].toInt(), 42);
  EXPECT_EQ(json["packets"].toInt(), 7);

  const Reply log = Fetch(Url("/log"));
  ASSERT_EQ(log.status, 200);
  EXPECT_EQ(QJsonDocument::fromJson(log.body)["lines"][0]["line"].toString(), "Write Data");

  EngineSnapshot shown = *state.Latest();
  const PixelPosition led = LedPixel(shown, 0, 0, 0);
  for (auto [query, colour] : {std::pair{"/display.png", kPalette[0]},  // phase B shows
                               {"/display.png?phase=a", kPalette[1]},
                               {"/display.png?phase=b", kPalette[0]}}) {
    const Reply png = Fetch(Url(query));
    ASSERT_EQ(png.status, 200) << query;
    EXPECT_EQ(png.type, "image/png");
    const QImage image = QImage::fromData(png.body, "PNG");
    ASSERT_EQ(image.size(), QSize(390, 49)) << query;
    EXPECT_EQ(image.pixel(led.x, led.y), colour) << query;
  }
  EXPECT_EQ(Fetch(Url("/display.png?phase=c")).status, 400);

  const Reply page = Fetch(Url("/"));
  EXPECT_EQ(page.status, 200);
  EXPECT_TRUE(page.body.contains("/display.png"));
  EXPECT_FALSE(page.body.contains("http://")) << "the page loads nothing from elsewhere";
}

TEST_F(HttpViewTest, UnknownPathsAndOtherMethodsAreRefused) {
  ShowText("x", 1);
  EXPECT_EQ(Fetch(Url("/nothing")).status, 404);
  EXPECT_EQ(Fetch(Url("/display.png/more")).status, 404);
  for (const char* method : {"POST", "PUT", "DELETE"}) {
    EXPECT_EQ(Fetch(Url("/state.json"), method).status, 405) << method;
    EXPECT_EQ(Fetch(Url("/"), method).status, 405) << method;
  }
}

TEST_F(HttpViewTest, AHugeHeaderDoesNoHarm) {
  ShowText("x", 1);
  QTcpSocket socket;
  socket.connectToHost(QHostAddress::LocalHost, port);
  ASSERT_TRUE(socket.waitForConnected(5000));
  QByteArray request = "GET /state.json HTTP/1.1\r\nHost: x\r\nX-Big: ";
  request += QByteArray(1 << 20, 'a');
  request += "\r\n\r\n";
  socket.write(request);
  // Whatever the answer (or a closed connection), the server goes on.
  for (int i = 0; i < 50 && socket.state() == QAbstractSocket::ConnectedState; ++i)
    socket.waitForReadyRead(100);
  socket.abort();
  EXPECT_EQ(Fetch(Url("/state.json")).status, 200);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
