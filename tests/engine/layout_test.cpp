// The text layout and its markup, pass by pass, read back from the frame
// buffer. The fonts are made here, so every glyph can be read back: a
// glyph's top line is all ink, its next two lines carry its character code.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "Moving/TNasun.h"
#include "Packet.h"
#include "TestPlatform.h"
#include "Tsiml.h"

namespace {

constexpr int kColumns = 96;
constexpr int kLines = 10;
constexpr uint8_t kUntouched = 3;  // frames are filled with 0xFF before a pass

// Font numbers of the test fonts. Every glyph is 5 columns wide except 'W'
// (8 columns) and, in kZeroSpaceFont, the space (0 columns).
constexpr int kHalfFont = 0;       // 5 pixel lines: half a 10-line row
constexpr int kTallFont = 1;       // 10 pixel lines: the whole row
constexpr int kZeroSpaceFont = 2;  // as kHalfFont, but a space takes no column

// Writes one font block at offset: width byte 8 (one byte per glyph line),
// height lines, records for all 256 codes. A glyph other than the space
// has an all-ink top line, then its code's high five bits and low three
// bits as ink pixels from the left; a tall glyph repeats these three lines
// from line 5, so either half of a row can be read back. The space is all
// paper.
void WriteFont(Tsiml& e, int font, uint32_t offset, uint8_t height, uint8_t spaceWidth) {
  uint8_t* block = e.FontImage + offset;
  block[20] = 8;
  block[21] = height;
  for (int code = 0; code < 256; ++code) {
    uint8_t* record = block + 23 + code * (1 + height);
    record[0] = code == ' ' ? spaceWidth : code == 'W' ? 8 : 5;
    if (code == ' ') continue;
    const uint8_t lines[3] = {static_cast<uint8_t>(code == 'W' ? 0xFF : 0xF8),
                              static_cast<uint8_t>(code >> 3 << 3),
                              static_cast<uint8_t>((code & 7) << 5)};
    for (int start = 0; start + 3 <= height; start += 5)
      std::memcpy(record + 1 + start, lines, 3);
  }
  e.FontImage[2 * font] = static_cast<uint8_t>(offset >> 8);
  e.FontImage[2 * font + 1] = static_cast<uint8_t>(offset);
  e.FontOffsets[font] = offset;
}

void InstallTestFonts(Tsiml& e) {
  WriteFont(e, kHalfFont, 0x100, 5, 5);
  WriteFont(e, kTallFont, 0x1000, 10, 5);
  WriteFont(e, kZeroSpaceFont, 0x2000, 5, 0);
  for (int f = 3; f < 16; ++f) e.FontOffsets[f] = e.FontOffsets[kHalfFont];
}

// The colour code of slot s at pixel line p, column c: byte 960p + B - c,
// the slot's bit pair.
int Code(const uint8_t* frame, int s, int p, int c) {
  static const int shift[9] = {0, 0, 6, 4, 2, 0, 6, 4, 2};
  const int base = s <= 4 ? 479 : 959;
  return frame[960 * p + base - c] >> shift[s] & 3;
}

// Reads `count` 5-column glyphs of the test fonts from column col on, whose
// top line is pixel line `line` of slot s: ' ' for a box whose top line is
// all paper, otherwise the code the glyph carries (ink = its top line's code).
std::string ReadGlyphs(const uint8_t* frame, int s, int line, int col, int count, int paper) {
  std::string text;
  for (int i = 0; i < count; ++i) {
    const int x = col + 5 * i;
    bool blank = true;
    for (int k = 0; k < 5; ++k) blank = blank && Code(frame, s, line, x + k) == paper;
    if (blank) {
      text += ' ';
      continue;
    }
    const int ink = Code(frame, s, line, x);
    int code = 0;
    for (int k = 0; k < 5; ++k) code |= (Code(frame, s, line + 1, x + k) == ink) << (7 - k);
    for (int k = 0; k < 3; ++k) code |= (Code(frame, s, line + 2, x + k) == ink) << (2 - k);
    text += static_cast<char>(code);
  }
  return text;
}

std::string Repeat(const std::string& s, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += s;
  return out;
}

class LayoutTest : public ::testing::Test {
protected:
  TestPlatform platform;
  std::shared_ptr<Tsiml> e;

  // The handed-over moving-text threads hold their engine: let go of them
  // while the platform they were started on still lives.
  ~LayoutTest() override { platform.startedThreads.clear(); }

  // A started engine on 96 columns and 10 lines, with the test fonts unless
  // told otherwise; both frames lit everywhere, so untouched pixels show.
  void Start(int rows, bool color = false, bool fonts = true) {
    platform.startedThreads.clear();
    platform.choices = {std::to_string(kColumns), std::to_string(kLines), std::to_string(rows), color};
    platform.clock = {2026, 12, 11, 9, 5, 7};
    e = std::make_shared<Tsiml>(platform);
    ASSERT_TRUE(e->Begin());
    if (fonts) InstallTestFonts(*e);
    const uint8_t v0[] = {'1', '2'};
    std::memset(e->Variables[0], 0, kVariableSize);
    std::memcpy(e->Variables[0], v0, sizeof v0);
    std::memcpy(e->Variables[1], "abcdefghijklmnopqrs", kVariableSize);
    LightFrames();
  }
  void LightFrames() {
    std::memset(e->FrameA, 0xFF, sizeof e->FrameA);
    std::memset(e->FrameB, 0xFF, sizeof e->FrameB);
  }
  // One pass over text (cut at 1024 bytes; the rest of TextBuffer zero).
  void Layout(const std::string& text) {
    std::memset(e->TextBuffer, 0, sizeof e->TextBuffer);
    std::memcpy(e->TextBuffer, text.data(), std::min<std::size_t>(text.size(), kTextSize));
    e->LayoutText();
  }
  std::string Read(int s, int line, int col, int count, int paper = 0) const {
    return ReadGlyphs(e->FrameA, s, line, col, count, paper);
  }
  // True when no pixel of slot s in columns [from, to) of pixel lines
  // first to last was written in either phase.
  bool Untouched(int s, int from = 0, int to = kColumns, int first = 0, int last = kLines - 1) const {
    for (int p = first; p <= last; ++p)
      for (int c = from; c < to; ++c)
        if (Code(e->FrameA, s, p, c) != kUntouched || Code(e->FrameB, s, p, c) != kUntouched)
          return false;
    return true;
  }
  const TNasun& HandedOver(std::size_t i) const {
    return static_cast<const TNasun&>(*platform.startedThreads.at(i));
  }
  std::string HandedText(std::size_t i) const {
    const TNasun& t = HandedOver(i);
    return std::string(reinterpret_cast<const char*>(t.Text), t.TextLength);
  }
};

TEST_F(LayoutTest, EveryShownLineIsFilledWithPaperSpacesAndADarkLastColumn) {
  const struct {
    const char* text;
    int paper;
  } cases[] = {{"", 0}, {"$P2", 2}, {"$P5", 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    Start(2);
    Layout(c.text);
    for (int s = 1; s <= 2; ++s)
      for (int p = 0; p < kLines; ++p) {
        for (int col = 0; col < 95; ++col) {
          ASSERT_EQ(Code(e->FrameA, s, p, col), c.paper) << s << ' ' << p << ' ' << col;
          ASSERT_EQ(Code(e->FrameB, s, p, col), c.paper) << s << ' ' << p << ' ' << col;
        }
        EXPECT_EQ(Code(e->FrameA, s, p, 95), 0);
        EXPECT_EQ(Code(e->FrameB, s, p, 95), 0);
      }
    EXPECT_TRUE(Untouched(3));
  }
}

TEST_F(LayoutTest, InkAndPaperFollowTheColorBox) {
  const struct {
    const char* text;
    bool color;
    int ink, paper;
  } cases[] = {
      {"$C2AB", true, 2, 0},   {"$C2AB", false, 1, 0},   {"$P2AB", false, 1, 2},
      {"$C3$P1AB", true, 3, 1}, {"$C6AB", true, 2, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + (c.color ? " color" : " red"));
    Start(1, c.color);
    Layout(c.text);
    EXPECT_EQ(Read(1, 0, 0, 3, c.paper), "AB ");
    EXPECT_EQ(Code(e->FrameA, 1, 0, 0), c.ink);  // top line: ink
    EXPECT_EQ(Code(e->FrameA, 1, 3, 0), c.paper);
    EXPECT_EQ(Code(e->FrameB, 1, 0, 5), c.ink);
  }
}

// Where pieces of text stand: slot, top pixel line, first column, glyphs.
struct Shown {
  int slot, line, col;
  std::string text;
};

struct TextCase {
  const char* name;
  int rows;
  std::string text;
  std::vector<Shown> shown;
  int untouchedSlot = 0;  // a slot the pass must not write at all
};

TEST_F(LayoutTest, TextStandsWhereTheMarkupPutsIt) {
  const std::string nineteenA(19, 'A');
  const TextCase cases[] = {
      {"line break, half-height", 2, "A$CRB", {{1, 0, 0, "A"}, {1, 5, 0, "B "}, {2, 0, 0, "  "}}, 3},
      {"line break, tall", 2, "$U1A$CRB", {{1, 0, 0, "A"}, {1, 5, 0, "A"}, {2, 0, 0, "B "}, {2, 5, 0, "B "}}},
      {"past the last row, half-height", 1, "A$CRB$CRC", {{1, 0, 0, "A"}, {1, 5, 0, "B"}}, 2},
      {"past the last row, tall", 1, "$U1A$CRB", {{1, 0, 0, "A"}, {1, 5, 0, "A"}}, 2},
      {"rows run on", 2, Repeat("A", 20) + "B", {{1, 0, 85, "AA"}, {1, 5, 0, "AB "}}},
      {"a glyph ending at the last column fits", 1, "$J011" + Repeat("A", 17),
       {{1, 0, 86, "AA"}, {1, 5, 0, "  "}}},
      {"$J with no digits", 1, "$JabcA", {{1, 0, 0, "A "}}},
      {"$J negative: no bar, no column", 1, "$J-99A", {{1, 0, 0, "A "}}},
      {"$J sign without digits", 1, "$J-x A", {{1, 0, 0, "A "}}},
      {"$H1 hours", 1, "$H1", {{1, 0, 0, "09 "}}},
      {"$H2 $H3", 1, "$H2$H3", {{1, 0, 0, "0507 "}}},
      {"$H0 the whole time", 1, "$H0", {{1, 0, 0, "09:05:07 "}}},
      {"$H4 nothing", 1, "$H4A", {{1, 0, 0, "A "}}},
      {"$N0 the whole date", 1, "$N0", {{1, 0, 0, "11.12.2026 "}}},
      {"$N1 $N2", 1, "$N1$N2", {{1, 0, 0, "1112 "}}},
      {"$N3 year", 1, "$N3", {{1, 0, 0, "2026 "}}},
      {"variable characters in turn", 1, "$I0$I0$I0", {{1, 0, 0, std::string("12\0 ", 4)}}},
      {"15 characters per variable", 1, Repeat("$I1", 17) + "Z", {{1, 0, 0, "abcdefghijklmnoZ "}}},
      {"variable character carried to the next line", 1, nineteenA + "$I0$I0", {{1, 0, 90, "A"}, {1, 5, 0, "12 "}}},
      {"variable number 10 inserts nothing", 1, "$I:A", {{1, 0, 0, "A "}}},
      {"variable number 15 inserts nothing", 1, "$I?A", {{1, 0, 0, "A "}}},
      {"'$' before a lower-case letter", 1, "$cA", {{1, 0, 0, "A "}}},
      {"'$$'", 1, "$$A", {{1, 0, 0, "A "}}},
      {"'$' at the end", 1, "A$", {{1, 0, 0, "A  "}}},
      {"'$' as the buffer's last byte", 1, Repeat("$F0", 341) + "$", {{1, 0, 0, "  "}}},
      {"flash and ink codes take their argument", 1, "$F1$C1A", {{1, 0, 0, "A "}}},
      {"half-height line 2, then a tall font", 2, "A$CRBC$U1D$CRE",
       {{1, 0, 0, "A"}, {1, 0, 10, "D"}, {1, 5, 0, "BCD"}, {2, 0, 0, "E "}, {2, 5, 0, "E "}}},
      {"tall line 1, then a half-height font", 1, "$U1AB$U0C$CRD",
       {{1, 0, 0, "ABC"}, {1, 5, 0, "ABD "}}},
      {"a font change keeps the column", 1, "AB$U1C", {{1, 0, 0, "ABC "}, {1, 5, 10, "C "}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start(c.rows);
    Layout(c.text);
    for (const Shown& s : c.shown)
      EXPECT_EQ(Read(s.slot, s.line, s.col, static_cast<int>(s.text.size())), s.text)
          << "slot " << s.slot << " line " << s.line << " column " << s.col;
    if (c.untouchedSlot) {
      EXPECT_TRUE(Untouched(c.untouchedSlot));
    }
  }
}

TEST_F(LayoutTest, ClockCharactersPastTheRowAreDroppedNotBlanked) {
  Start(1);
  Layout(Repeat("A", 17) + "$H0B");
  EXPECT_EQ(Read(1, 0, 80, 3), "A09");
  EXPECT_TRUE(Untouched(1, 95, kColumns, 0, 4));
  EXPECT_EQ(Read(1, 5, 0, 2), "B ");  // the rest of the time is not carried over
}

TEST_F(LayoutTest, FlashingTextIsDarkInPhaseB) {
  Start(1);
  Layout("$F1A$F0B");
  EXPECT_EQ(Read(1, 0, 0, 2), "AB");
  EXPECT_EQ(Code(e->FrameB, 1, 0, 0), 0);
  EXPECT_EQ(Code(e->FrameB, 1, 0, 5), 1);
}

TEST_F(LayoutTest, AGlyphThatDoesNotFitGoesToTheNextLineAndTheRowEndsDark) {
  Start(1);
  // 18 glyphs reach column 90; the 8-column W would end at 98.
  Layout(Repeat("A", 18) + "WB");
  for (int p = 0; p < 5; ++p)
    for (int c = 90; c < kColumns; ++c) {
      EXPECT_EQ(Code(e->FrameA, 1, p, c), 0) << p << ' ' << c;
      EXPECT_EQ(Code(e->FrameB, 1, p, c), 0) << p << ' ' << c;
    }
  for (int c = 0; c < 8; ++c) EXPECT_EQ(Code(e->FrameA, 1, 5, c), 1) << c;  // W's top line
  EXPECT_EQ(Read(1, 5, 8, 2), "B ");
}

TEST_F(LayoutTest, BarsAreInkColouredAndOnlyAsWideAsTheRowAllows) {
  const struct {
    std::string text;
    int width;       // bar columns from column 0
    bool flashing;
  } cases[] = {
      {"$J010", 10, false},
      {"$J5AB", 5, false},  // A and B are the number's bytes
      {"$J 7", 7, false},
      {"$J000", 0, false},
      {"$F1$J010", 10, true},
      {Repeat("$F0", 340) + "$J12", 12, false},  // the third byte lies past the text
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 12));
    Start(1);
    Layout(c.text);
    for (int p = 0; p < 5; ++p)
      for (int col = 0; col < c.width; ++col) {
        ASSERT_EQ(Code(e->FrameA, 1, p, col), 1) << p << ' ' << col;
        ASSERT_EQ(Code(e->FrameB, 1, p, col), c.flashing ? 0 : 1) << p << ' ' << col;
      }
    EXPECT_EQ(Read(1, 0, c.width, 3), "   ");
  }
}

TEST_F(LayoutTest, ABarPastTheRowIsCutAtItsEndAndEndsTheLine) {
  Start(1);
  Layout("$J200X");
  for (int c = 0; c < kColumns; ++c) EXPECT_EQ(Code(e->FrameA, 1, 4, c), 1) << c;
  // The bytes beyond the row's columns are not the bar's.
  for (int c = kColumns; c < 480; ++c) ASSERT_EQ(e->FrameA[960 * 4 + 479 - c] & 3, kUntouched) << c;
  EXPECT_EQ(Read(1, 5, 0, 2), "X ");
}

TEST_F(LayoutTest, TheMovingSectionIsHandedOverOnceAndSkippedAfterwards) {
  Start(1);
  Layout("ABC$MHello$CRXYZ");
  ASSERT_EQ(platform.startedThreads.size(), 1u);
  // 5 characters, then 96 / 5 + 1 spaces to leave the row.
  EXPECT_EQ(HandedText(0), "Hello" + std::string(20, ' '));
  const TNasun& t = HandedOver(0);
  EXPECT_EQ(t.MoveColumn, 15u);
  EXPECT_EQ(t.Slot, 1);
  EXPECT_EQ(t.FirstLine, 0);
  EXPECT_EQ(t.LastLine, 4);
  EXPECT_EQ(e->MoveIdle.load(), 0);
  EXPECT_EQ(Read(1, 0, 0, 3), "ABC");
  EXPECT_TRUE(Untouched(1, 15, kColumns, 0, 4));  // the section's area is the thread's
  EXPECT_EQ(Read(1, 5, 0, 4), "XYZ ");

  LightFrames();
  Layout("ABC$MHello$CRXYZ");
  EXPECT_EQ(platform.startedThreads.size(), 1u);
  EXPECT_EQ(Read(1, 0, 0, 3), "ABC");
  EXPECT_TRUE(Untouched(1, 15, kColumns, 0, 4));
  EXPECT_EQ(Read(1, 5, 0, 4), "XYZ ");
}

TEST_F(LayoutTest, MovingSections) {
  const struct {
    const char* name;
    std::string text;
    std::string handed;  // the section's characters, before the spaces
    uint32_t moveColumn;
    uint8_t lastLine;
    std::vector<Shown> shown;
  } cases[] = {
      {"only the first $M counts", "$Ma$CR$Mb", "a", 0, 4, {{1, 5, 0, "b "}}},
      {"markup inside is copied, not read", "$M$F1x$C2y$CRA", "$1x$y", 0, 4, {{1, 5, 0, "A "}}},
      {"the section ends at 0x03", "Q$Mab\x03" "cd", "ab", 5, 4, {{1, 5, 0, "cd "}}},
      {"the section ends with the text", Repeat("$F0", 340) + "$MAB", "AB", 0, 4, {}},
      {"a tall section on the lower line's column", "A$CRBC$U1$MHi$CR", "Hi", 10, 9, {}},
      // Line 1 ran past the row; a tall section from line 2 would start there.
      {"the start is held on the row", Repeat("A", 20) + "$U1$MHi$CR", "Hi", 96, 9, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Start(1);
    Layout(c.text);
    ASSERT_EQ(platform.startedThreads.size(), 1u);
    EXPECT_EQ(HandedText(0), c.handed + std::string(20, ' '));
    EXPECT_EQ(HandedOver(0).MoveColumn, c.moveColumn);
    EXPECT_EQ(HandedOver(0).LastLine, c.lastLine);
    for (const Shown& s : c.shown)
      EXPECT_EQ(Read(s.slot, s.line, s.col, static_cast<int>(s.text.size())), s.text);
  }
}

TEST_F(LayoutTest, AFontWithoutSpaceWidthEndsThePass) {
  Start(1);
  Layout("$U2A$CRB");  // returns: the spaces after the text take no column
  EXPECT_EQ(Read(1, 0, 0, 1), "A");
  EXPECT_EQ(Read(1, 5, 0, 1), "B");
  EXPECT_TRUE(Untouched(1, 5));  // nothing after B: no space could be drawn
}

TEST_F(LayoutTest, WithoutAFontThePassEndsAndTheSectionStillLeavesTheRow) {
  Start(1, false, /*fonts=*/false);
  Layout("AB$MHello$CR");
  EXPECT_TRUE(Untouched(1));
  ASSERT_EQ(platform.startedThreads.size(), 1u);
  // A space of no width counts as one column: 5 + 96 + 1.
  EXPECT_EQ(HandedOver(0).TextLength, 102u);
}

TEST_F(LayoutTest, EachTickLaysOutTheTextOfTheLastPacket) {
  Start(1);
  const std::string payload = "ABC$MHello$CRXYZ";
  const std::vector<uint8_t> bytes(payload.begin(), payload.end());
  platform.mailbox.Publish(BuildPacket(bytes));
  e->Tick();
  EXPECT_EQ(Read(1, 0, 0, 3), "ABC");
  EXPECT_EQ(Read(1, 5, 0, 4), "XYZ ");
  e->Tick();
  EXPECT_EQ(platform.startedThreads.size(), 1u);  // the running section is skipped
  // A new text stops the section, and the next tick hands it over anew.
  platform.mailbox.Publish(BuildPacket(bytes));
  e->Tick();
  EXPECT_EQ(platform.startedThreads.size(), 2u);
  EXPECT_EQ(HandedText(1).substr(0, 5), "Hello");
}

TEST_F(LayoutTest, ClockFollowsThePlatformClock) {
  Start(1);
  Layout("$H0");
  EXPECT_EQ(Read(1, 0, 0, 8), "09:05:07");
  platform.clock = {1999, 1, 31, 23, 59, 58};
  Layout("$H0 $N0");
  EXPECT_EQ(Read(1, 0, 0, 19), "23:59:58 31.01.1999");
}

// Whatever the text, a pass ends, writes only the shown rows' slots within
// their pixel lines and columns, and hands over a section that stays on the
// row. Texts are drawn from the bytes that matter to the markup.
TEST_F(LayoutTest, AnyTextStaysInsideTheShownRows) {
  static const char kBytes[] = "$$$$CFPUJHNIMR0123-+ :?AWa\x03";  // and its zero byte
  const std::string alphabet(kBytes, sizeof kBytes);
  std::mt19937 random(4);
  for (int round = 0; round < 600; ++round) {
    const int rows = 1 + round % 4;
    Start(rows);
    std::string text(1 + random() % 200, ' ');
    for (char& ch : text) ch = alphabet[random() % alphabet.size()];
    SCOPED_TRACE(::testing::PrintToString(text));
    Layout(text);
    for (int p = 0; p < 32; ++p)
      for (int b = 0; b < 960; ++b) {
        const int n = 960 * p + b;
        if (n >= kFrameSize) break;
        // Bytes of slots 5-8, pixel lines below the row and columns well
        // past the row's end keep every bit; in other bytes the slots past
        // the shown rows keep theirs.
        const bool anySlot = b < 480 && p < kLines && 479 - b < kColumns + kMaxGlyphWidth;
        int keep = 0xFF;
        if (anySlot) {
          static const int bits[5] = {0, 0x03, 0xC0, 0x30, 0x0C};
          keep = 0;
          for (int s = rows + 1; s <= 4; ++s) keep |= bits[s];
        }
        if ((e->FrameA[n] & keep) != keep || (e->FrameB[n] & keep) != keep)
          FAIL() << "pixel line " << p << ", byte " << b << " written";
      }
    for (std::size_t i = 0; i < platform.startedThreads.size(); ++i) {
      EXPECT_LE(HandedOver(i).MoveColumn, static_cast<uint32_t>(kColumns));
      EXPECT_LE(HandedOver(i).TextLength, static_cast<uint32_t>(kMoveTextSize));
    }
    EXPECT_EQ(std::memcmp(e->Variables[1], "abcdefghijklmnopqrs", kVariableSize), 0);
    platform.startedThreads.clear();
  }
}

}  // namespace
