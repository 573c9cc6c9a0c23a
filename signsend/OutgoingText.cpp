#include "OutgoingText.h"

#include <cstdio>

#include "CodePage1250.h"

namespace {

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// "'Ω' (U+03A9)", or only "U+0009" for a character that shows nothing.
std::string NameCharacter(char32_t c) {
  char code[16];
  std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(c));
  const bool invisible = c < 0x20 || (c >= 0x7F && c < 0xA0);
  if (invisible) return code;
  std::string name = "'";
  AppendUtf8(name, c);
  return name + "' (" + code + ")";
}

}  // namespace

OutgoingPacket PrepareTextPacket(std::u32string_view text, uint8_t address) {
  OutgoingPacket result;
  const Cp1250Text encoded = EncodeCp1250(text);
  if (encoded.unencodableAt) {
    result.refusal = "Not sent: the character " + NameCharacter(text[*encoded.unencodableAt]) +
                     " is not in the code page Windows-1250";
    return result;
  }
  if (text.find(U'\0') != std::u32string_view::npos) {
    result.refusal = "Not sent: the text holds the character U+0000, which would end it early";
    return result;
  }
  if (encoded.bytes.size() > kMaxPayload) {
    result.refusal = "Not sent: the text is " + std::to_string(encoded.bytes.size()) +
                     " bytes long, a packet holds at most " + std::to_string(kMaxPayload);
    return result;
  }
  result.bytes = BuildPacket(encoded.bytes, address);
  return result;
}
