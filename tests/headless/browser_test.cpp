// The live page in a real browser: headless Chromium loads it from a
// running signview, the test finds the sign's LEDs in its screenshot where
// the served picture has them, and the log lines in its page.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "LedGrid.h"
#include "SignviewProcess.h"

namespace {

QString Chromium() {
  for (const char* name : {"chromium", "chromium-browser"})
    if (QString path = QStandardPaths::findExecutable(name); !path.isEmpty()) return path;
  return {};
}

// One Chromium run against url with a profile of its own; output is what it
// printed on standard output. Returns false when it crashed, hung or failed
// (its standard error in output then).
bool RunChromium(const QStringList& what, const QString& url, QByteArray& output) {
  QTemporaryDir profile;
  QStringList arguments{"--headless",
                        "--no-sandbox",  // needed as root; the page is our own
                        "--disable-gpu",
                        "--disable-quic",
                        "--no-first-run",
                        "--disable-background-networking",
                        "--disable-component-update",
                        "--disable-sync",
                        "--no-proxy-server",
                        "--user-data-dir=" + profile.path(),
                        "--window-size=1000,400",
                        "--virtual-time-budget=3000"};
  arguments << what << url;
  QProcess chromium;
  chromium.start(Chromium(), arguments);
  if (!chromium.waitForFinished(90000)) {
    chromium.kill();
    chromium.waitForFinished();
    output = "no end within 90 s";
    return false;
  }
  const bool ok = chromium.exitStatus() == QProcess::NormalExit && chromium.exitCode() == 0;
  output = ok ? chromium.readAllStandardOutput() : chromium.readAllStandardError();
  return ok;
}

// Runs Chromium, once more when the first start fails (a fresh profile
// sometimes does).
bool RunChromiumTwice(const QStringList& what, const QString& url, QByteArray& output) {
  return RunChromium(what, url, output) || RunChromium(what, url, output);
}

// The box around pixels of one LED colour, in any picture.
struct PixelBox {
  int count = 0;
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  int Width() const { return right - left + 1; }
};
PixelBox FindColour(const QImage& image, int colour) {
  PixelBox box;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      if (LedColourOf(image.pixel(x, y)) != colour) continue;
      ++box.count;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  return box;
}

class BrowserTest : public testing::Test {
protected:
  void SetUp() override {
    ASSERT_FALSE(Chromium().isEmpty())
        << "Chromium is not installed: the browser test needs the Debian package chromium "
           "(scripts/install-deps.sh installs it)";
    ASSERT_TRUE(sign.Start({"--columns", "120", "--lines", "16", "--rows", "2", "--color", "on"}))
        << sign.StartProblem();
    // A still text: the picture is the same at every tick.
    ASSERT_TRUE(sign.Send({"$C2GREEN$CR$C1RED"}));
  }
  SignviewProcess sign;
};

TEST_F(BrowserTest, TheScreenshotShowsTheLedsWhereThePictureHasThem) {
  const QImage served = sign.Display();
  ASSERT_FALSE(served.isNull());
  const QString shotPath = sign.FilePath("screenshot.png");
  QByteArray output;
  ASSERT_TRUE(RunChromiumTwice({"--screenshot=" + shotPath}, sign.Url("/"), output)) << output.toStdString();
  const QImage shot(shotPath);
  ASSERT_FALSE(shot.isNull()) << "no screenshot";

  // The browser may scale the picture: both colours' boxes scale alike and
  // keep their places to each other.
  const PixelBox green = FindColour(served, kGreen), red = FindColour(served, kRed);
  const PixelBox shotGreen = FindColour(shot, kGreen), shotRed = FindColour(shot, kRed);
  ASSERT_GT(green.count, 0);
  ASSERT_GT(red.count, 0);
  ASSERT_GT(shotGreen.count, 0) << "no green LEDs in the screenshot";
  ASSERT_GT(shotRed.count, 0) << "no red LEDs in the screenshot";
  const double scale = double(shotGreen.Width()) / green.Width();
  EXPECT_GT(scale, 0.5);
  EXPECT_LT(scale, 4.0);
  const auto near = [scale](double shotValue, double servedValue) {
    return std::abs(shotValue - servedValue * scale) <= 2 + 0.05 * servedValue * scale;
  };
  EXPECT_TRUE(near(shotRed.Width(), red.Width())) << shotRed.Width() << " vs " << red.Width();
  EXPECT_TRUE(near(shotRed.top - shotGreen.top, red.top - green.top));
  EXPECT_TRUE(near(shotRed.left - shotGreen.left, red.left - green.left));
  EXPECT_NEAR(shotGreen.count, green.count * scale * scale, 0.35 * green.count * scale * scale);
  EXPECT_NEAR(shotRed.count, red.count * scale * scale, 0.35 * red.count * scale * scale);
  // Green is the first row, red the second, both at the picture's left.
  EXPECT_LT(shotGreen.bottom, shotRed.top);
}

TEST_F(BrowserTest, ThePageShowsTheLogAndTheState) {
  QByteArray dom;
  ASSERT_TRUE(RunChromiumTwice({"--dump-dom"}, sign.Url("/"), dom)) << dom.toStdString();
  const qsizetype log = dom.indexOf("id=\"log\"");
  ASSERT_GE(log, 0) << dom.toStdString();
  const QByteArray logPart = dom.mid(log);
  for (const char* line : {"Read String [Hex]:", "02H,FFH,24H,43H,32H,47H,", "Write Data"})
    EXPECT_TRUE(logPart.contains(line)) << line << " is missing: " << logPart.toStdString();
  EXPECT_TRUE(dom.contains("120 × 16 × 2")) << "the geometry above the log";
}

}  // namespace
