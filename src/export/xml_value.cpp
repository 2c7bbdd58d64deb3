// Typed values of attributes and fields.
#include <cstring>
#include <limits>

#include "export/xml_document.h"
#include "export/xml_encoding.h"
#include "storage/typed_arrays.h"

namespace zavlin {

namespace {

std::string twoDigits(int v) {
    std::string s = std::to_string(v);
    return s.size() < 2 ? "0" + s : s;
}

std::string fourDigits(int v) {
    std::string s = std::to_string(v);
    while (s.size() < 4) s.insert(s.begin(), '0');
    return s;
}

std::string uint32Bytes(uint32_t v) {
    std::string b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

uint32_t bytesUint32(const std::string& b) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= static_cast<uint32_t>(static_cast<uint8_t>(b[static_cast<std::size_t>(i)])) << (8 * i);
    return v;
}

std::string doubleBytes(double d) {
    uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof bits);
    std::string b(8, '\0');
    for (int i = 0; i < 8; ++i)
        b[static_cast<std::size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    return b;
}

// The text in double quotes, built without "literal" + std::string&&, which
// g++ 12 falsely reports as an overlapping copy.
std::string inQuotes(std::string_view text) {
    std::string q;
    q.reserve(text.size() + 2);
    q += '"';
    q += text;
    q += '"';
    return q;
}

void fail(std::string* message, std::string text) {
    if (message != nullptr) *message = std::move(text);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && isXmlBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && isXmlBlank(s.back())) s.remove_suffix(1);
    return s;
}

// A decimal of at most 18 digits with an optional sign.
bool parseDecimal(std::string_view s, int64_t& value) {
    s = trimmed(s);
    bool negative = false;
    if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || s.size() > 18) return false;
    int64_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = negative ? -v : v;
    return true;
}

// Digits at 0-based positions [from, from + n) of s.
bool positional(std::string_view s, std::size_t from, std::size_t n, int& value) {
    if (s.size() < from + n) return false;
    int v = 0;
    for (std::size_t i = from; i < from + n; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        v = v * 10 + (s[i] - '0');
    }
    value = v;
    return true;
}

bool datePart(std::string_view s, double& days) {
    int d = 0, m = 0, y = 0;
    int32_t encoded = 0;
    if (!positional(s, 0, 2, d) || !positional(s, 3, 2, m) || !positional(s, 6, 4, y) ||
        !tryEncodeDate(y, m, d, encoded))
        return false;
    days = encoded;
    return true;
}

bool timePart(std::string_view s, double& fraction) {
    int h = 0, mi = 0, se = 0;
    if (!positional(s, 0, 2, h) || !positional(s, 3, 2, mi) || !positional(s, 6, 2, se) || h > 23 ||
        mi > 59 || se > 59)
        return false;
    fraction = encodeTime(h, mi, se, 0);
    return true;
}

}  // namespace

void TXMLDan::store(usTypeField type, std::string bytes) {
    Ftype = type;
    Fs = std::move(bytes);
}

std::string TXMLDan::asString() const {
    if (Fs.empty()) return {};
    switch (Ftype) {
        case usTypeField::usInt:
            return Fs.size() == 4 ? std::to_string(static_cast<int32_t>(bytesUint32(Fs)))
                                  : std::string();
        case usTypeField::usLongWord:
            return Fs.size() == 4 ? std::to_string(bytesUint32(Fs)) : std::string();
        case usTypeField::usDateTime:
        case usTypeField::usDate:
        case usTypeField::UsTime: {
            double v = 0;
            if (!storedDouble(v)) return {};
            DateParts date;
            TimeParts time;
            decodeDateTime(v, date, time);
            const std::string dateText =
                twoDigits(date.day) + "." + twoDigits(date.month) + "." + fourDigits(date.year);
            const std::string timeText =
                twoDigits(time.hour) + ":" + twoDigits(time.minute) + ":" + twoDigits(time.second);
            if (Ftype == usTypeField::usDate) return dateText;
            if (Ftype == usTypeField::UsTime) return timeText;
            return dateText + " " + timeText;
        }
        case usTypeField::usStream:
            return {};
        default:
            return Fs;
    }
}

bool TXMLDan::storedDouble(double& value) const {
    if (Fs.size() != 8) return false;
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= static_cast<uint64_t>(static_cast<uint8_t>(Fs[static_cast<std::size_t>(i)]))
                << (8 * i);
    std::memcpy(&value, &bits, sizeof value);
    // Only a day count the dates can show: years 1 to 9999.
    return value >= -693593.0 && value < 2958466.0;
}

void TXMLDan::setAsString(std::string_view utf8) {
    store(usTypeField::usString, std::string(utf8));
}
void TXMLDan::setAsInteger(int32_t value) {
    store(usTypeField::usInt, uint32Bytes(static_cast<uint32_t>(value)));
}
void TXMLDan::setAsLongWord(uint32_t value) {
    store(usTypeField::usLongWord, uint32Bytes(value));
}
void TXMLDan::setAsBoolean(bool value) {
    store(usTypeField::usBoolean, value ? "true" : "false");
}
void TXMLDan::setAsStream(std::string_view bytes) {
    store(usTypeField::usStream, std::string(bytes));
}
void TXMLDan::setAsDateTime(TDateTime value) {
    store(usTypeField::usDateTime, doubleBytes(value));
}
void TXMLDan::setAsDate(TDateTime value) {
    store(usTypeField::usDate, doubleBytes(value));
}
void TXMLDan::setAsTime(TDateTime value) {
    store(usTypeField::UsTime, doubleBytes(value));
}

bool TXMLDan::readInt64(int64_t& value, std::string* message) const {
    if (Fs.empty()) {
        value = 0;
        return true;
    }
    if ((Ftype == usTypeField::usInt || Ftype == usTypeField::usLongWord) && Fs.size() == 4) {
        const uint32_t raw = bytesUint32(Fs);
        value = Ftype == usTypeField::usInt ? static_cast<int64_t>(static_cast<int32_t>(raw))
                                            : static_cast<int64_t>(raw);
        return true;
    }
    const std::string text = asString();
    if (!parseDecimal(text, value)) {
        fail(message, inQuotes(text) + " не является целым числом");
        return false;
    }
    return true;
}

bool TXMLDan::asInteger(int32_t& value, std::string* message) const {
    int64_t v = 0;
    if (!readInt64(v, message)) return false;
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
        fail(message, std::to_string(v) + " вне диапазона целых чисел");
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

bool TXMLDan::asLongWord(uint32_t& value, std::string* message) const {
    int64_t v = 0;
    if (!readInt64(v, message)) return false;
    if (v < 0 || v > std::numeric_limits<uint32_t>::max()) {
        fail(message, std::to_string(v) + " вне диапазона от 0 до 4294967295");
        return false;
    }
    value = static_cast<uint32_t>(v);
    return true;
}

bool TXMLDan::asBoolean() const {
    return lowerAscii(trimmed(asString())) == "true";
}

bool TXMLDan::asDateTime(TDateTime& value, std::string* message) const {
    if (Fs.empty()) {
        value = 0;
        return true;
    }
    if (Ftype == usTypeField::usDateTime || Ftype == usTypeField::usDate ||
        Ftype == usTypeField::UsTime) {
        double v = 0;
        if (storedDouble(v)) {
            value = v;
            return true;
        }
    }
    const std::string text = asString();
    std::string_view date, time;
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos && blank >= 1) {
        date = std::string_view(text).substr(0, blank);
        time = std::string_view(text).substr(blank + 1);
    } else if (text.find('.', 1) != std::string::npos) {
        date = text;
    } else if (text.find(':', 1) != std::string::npos) {
        time = text;
    }
    double days = 0, fraction = 0;
    if ((date.empty() && time.empty()) || (!date.empty() && !datePart(date, days)) ||
        (!time.empty() && !timePart(time, fraction))) {
        fail(message, inQuotes(text) + " не является датой и временем");
        return false;
    }
    value = days + (days < 0 ? -fraction : fraction);
    return true;
}

bool TXMLDan::asDate(TDateTime& value, std::string* message) const {
    return asDateTime(value, message);
}

bool TXMLDan::asTime(TDateTime& value, std::string* message) const {
    return asDateTime(value, message);
}

void TXMLDan::setAsArrayOfWord(const TArrayOfWord& value) {
    std::string text;
    for (int i = 0; i < value.Count(); ++i) {
        const uint16_t w = value.Get(i);
        if (w != 0) text += std::to_string(w);
        text += ';';
    }
    setAsString(text);
}

bool TXMLDan::GetArrayOfWord(TArrayOfWord& value, std::string* message) const {
    const std::string text = asString();
    std::vector<uint16_t> words;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view item = std::string_view(text).substr(start, end - start);
        int64_t v = 0;
        if (trimmed(item).empty()) {
            v = 0;
        } else if (!parseDecimal(item, v) || v < 0 || v > 65535) {
            fail(message, inQuotes(item) + " не является числом от 0 до 65535");
            return false;
        }
        words.push_back(static_cast<uint16_t>(v));
        start = end + 1;
    }
    value.Clear();
    for (uint16_t w : words) value.Add(w);
    return true;
}

}  // namespace zavlin
