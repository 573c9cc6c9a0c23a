#include "SendCommandLine.h"

#include <QCommandLineParser>
#include <QEventLoop>
#include <optional>
#include <string>

#include "IntegerText.h"
#include "OutgoingText.h"
#include "PacketSender.h"
#include "Version.h"

namespace {

struct Target {
  QString host;
  quint16 port = 10001;
  uint8_t address = kBroadcastAddress;
};

// An integer option's value within [low, high], or a message saying why not.
std::optional<int32_t> ReadNumber(const QString& text, int32_t low, int32_t high, const QString& what,
                                  QString& error) {
  const std::optional<int32_t> value = ParseInteger(text.toStdString());
  if (!value) {
    error = QStringLiteral("'%1' is not a valid integer value").arg(text);
    return std::nullopt;
  }
  if (*value < low || *value > high) {
    error = QStringLiteral("%1 %2 is outside %3 to %4").arg(what).arg(*value).arg(low).arg(high);
    return std::nullopt;
  }
  return value;
}

// Sends one packet and waits for the end of the send, printing each step.
bool SendOne(const Target& target, const QString& text, const OutgoingPacket& packet,
             QTextStream& out, QTextStream& err) {
  PacketSender sender;
  QEventLoop loop;
  bool sent = false;
  QObject::connect(&sender, &PacketSender::Connected, [&] { out << "Connect OK" << Qt::endl; });
  QObject::connect(&sender, &PacketSender::Sent, [&] { out << "Send : " << text << Qt::endl; });
  QObject::connect(&sender, &PacketSender::Disconnected, [&] { out << "Disconnect OK" << Qt::endl; });
  QObject::connect(&sender, &PacketSender::ConnectFailed, [&] {
    err << "signsend: Error connection to " << target.host << " port " << target.port << Qt::endl;
  });
  QObject::connect(&sender, &PacketSender::Finished, [&](bool ok) {
    sent = ok;
    loop.quit();
  });
  sender.Send(target.host, target.port,
              QByteArray(reinterpret_cast<const char*>(packet.bytes.data()),
                         static_cast<qsizetype>(packet.bytes.size())));
  if (sender.Busy()) loop.exec();
  return sent;
}

OutgoingPacket Prepare(const Target& target, const QString& text) {
  return PrepareTextPacket(text.toStdU32String(), target.address);
}

}  // namespace

int RunCommandLine(const QStringList& arguments, std::istream& input, QTextStream& out,
                   QTextStream& err) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral(
      "Sends texts to a Lumidot sign or to signview, one packet per text over a connection of\n"
      "its own. Without TEXT, each line of standard input is sent. Texts are sent in the code\n"
      "page Windows-1250 and may be at most 252 bytes long.\n"
      "Without any argument, signsend opens its window.\n\n"
      "Exit codes: 0 all sent, 1 no connection, 2 bad option, port or address,\n"
      "3 a text too long or with a character the code page cannot hold."));
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption versionOption = parser.addVersionOption();
  const QCommandLineOption hostOption(QStringLiteral("host"),
                                      QStringLiteral("The sign's address or host name."),
                                      QStringLiteral("HOST"));
  const QCommandLineOption portOption(QStringLiteral("port"),
                                      QStringLiteral("The sign's TCP port (default 10001)."),
                                      QStringLiteral("PORT"), QStringLiteral("10001"));
  const QCommandLineOption addressOption(
      QStringLiteral("address"),
      QStringLiteral("The sign's address byte, 0 to 255, decimal or $/0x hexadecimal (default 255)."),
      QStringLiteral("BYTE"), QStringLiteral("255"));
  parser.addOption(hostOption);
  parser.addOption(portOption);
  parser.addOption(addressOption);
  parser.addPositionalArgument(QStringLiteral("TEXT"), QStringLiteral("A text to send."),
                               QStringLiteral("[TEXT …]"));

  if (!parser.parse(arguments)) {
    err << "signsend: " << parser.errorText() << Qt::endl;
    return kExitUsage;
  }
  if (parser.isSet(helpOption)) {
    out << parser.helpText();
    return kExitSent;
  }
  if (parser.isSet(versionOption)) {
    out << "signsend " << kSignsendVersion << Qt::endl;
    return kExitSent;
  }
  if (!parser.isSet(hostOption) || parser.value(hostOption).isEmpty()) {
    err << "signsend: --host is required (start signsend without arguments for its window)"
        << Qt::endl;
    return kExitUsage;
  }

  Target target;
  target.host = parser.value(hostOption);
  QString error;
  const std::optional<int32_t> port = ReadNumber(parser.value(portOption), 1, 65535, "port", error);
  const std::optional<int32_t> address =
      port ? ReadNumber(parser.value(addressOption), 0, 255, "address", error) : std::nullopt;
  if (!port || !address) {
    err << "signsend: " << error << Qt::endl;
    return kExitUsage;
  }
  target.port = static_cast<quint16>(*port);
  target.address = static_cast<uint8_t>(*address);

  const QStringList texts = parser.positionalArguments();
  if (!texts.isEmpty()) {
    // Every text is checked before the first is sent, so a bad one sends
    // nothing at all.
    std::vector<OutgoingPacket> packets;
    for (const QString& text : texts) {
      packets.push_back(Prepare(target, text));
      if (!packets.back().Ready()) {
        err << "signsend: " << QString::fromStdString(packets.back().refusal) << Qt::endl;
        return kExitTextRefused;
      }
    }
    for (qsizetype i = 0; i < texts.size(); ++i) {
      if (!SendOne(target, texts[i], packets[static_cast<std::size_t>(i)], out, err)) {
        return kExitNoConnection;
      }
    }
    return kExitSent;
  }

  // Lines of input are sent as they come, so a script can feed a sign as
  // it goes; the first failure ends the run.
  for (std::string line; std::getline(input, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const QString text = QString::fromUtf8(line);
    const OutgoingPacket packet = Prepare(target, text);
    if (!packet.Ready()) {
      err << "signsend: " << QString::fromStdString(packet.refusal) << Qt::endl;
      return kExitTextRefused;
    }
    if (!SendOne(target, text, packet, out, err)) return kExitNoConnection;
  }
  return kExitSent;
}
