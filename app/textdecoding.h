#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Bytes from files and the network into text, one set of rules for the whole program.
namespace textdecoding {

// Windows-1252: Latin-1 with printable characters in 0x80..0x9F. The five unassigned bytes
// become the control characters of the same value, as browsers do.
QString decodeWindows1252(const QByteArray& bytes);

// The Windows-1252 byte of a character, if it has one (the C1 controls map to themselves).
std::optional<char> encodeWindows1252(char16_t c);

// UTF-8 when the bytes are valid UTF-8 (a BOM is dropped), otherwise Windows-1252.
QString decodeText(const QByteArray& bytes);

// The media type of a Content-Type value, lower case: "Text/HTML; charset=x" -> "text/html".
QByteArray mimeOf(const QByteArray& contentType);

// The charset parameter of a Content-Type value, lower case, without quotes; "" when absent.
// The parameter name matches in any case, with blanks around "=" allowed.
QByteArray charsetOf(const QByteArray& contentType);

// By a charset label: UTF-8, the Windows-1252 family (Latin-1 and ASCII labels are
// Windows-1252 in practice; browsers read them so too) or any other encoding Qt knows.
// Nothing for an empty or unknown label: the caller guesses.
std::optional<QString> decodeAs(const QByteArray& body, const QByteArray& charset);

// Outside text without the bidirectional controls (embeddings, overrides, isolates, marks),
// with which a name such as "evil\u202Egnp.exe" shows as "evilexe.png".
bool isBidiControl(char16_t c);
QString withoutBidiControls(QString text);

}  // namespace textdecoding
