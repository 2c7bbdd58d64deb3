#include "storage/fields.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "base/cp1251.h"
#include "base/errors.h"
#include "base/extended_float.h"
#include "base/float_text.h"
#include "base/little_endian.h"
#include "base/text.h"
#include "storage/table_blob.h"

namespace zavlin {
namespace {

const char* const kTypeNames[kFieldTypeCount] = {
    "ftUnknown",  "ftString",      "ftSmallint", "ftInteger",  "ftWord",
    "ftBoolean",  "ftFloat",       "ftCurrency", "ftBCD",      "ftDate",
    "ftTime",     "ftDateTime",    "ftBytes",    "ftVarBytes", "ftAutoInc",
    "ftBlob",     "ftMemo",        "ftGraphic",  "ftFmtMemo",  "ftParadoxOle",
    "ftDBaseOle", "ftTypedBinary", "ftCursor",   "ftLongWord", "ftNewKeys",
};

// Day numbers past 9999-12-31 have no date text.
constexpr int64_t kMaxDay = 2958465;
constexpr int64_t kMinDay = -693593;  // 0001-01-01

int64_t parseInteger64(std::string_view text) {
    std::string_view t = trimView(text);
    if (!t.empty() && t.front() == '+') t.remove_prefix(1);
    int64_t v = 0;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (t.empty() || ec != std::errc() || p != t.data() + t.size())
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return v;
}

void checkRange(int64_t v, int64_t lo, int64_t hi) {
    if (v < lo || v > hi) throw ERangeError("value " + std::to_string(v) + " out of range");
}

int32_t truncToInt32(long double v) {
    if (!std::isfinite(v)) throw ERangeError("value out of range");
    const long double t = std::trunc(v);
    if (t < static_cast<long double>(std::numeric_limits<int32_t>::min()) ||
        t > static_cast<long double>(std::numeric_limits<int32_t>::max()))
        throw ERangeError("value out of range");
    return static_cast<int32_t>(t);
}

void checkDateTimeRange(double v) {
    if (!std::isfinite(v) || v < static_cast<double>(kMinDay) ||
        v >= static_cast<double>(kMaxDay + 1))
        throw ERangeError("date out of range");
}

}  // namespace

std::string fieldTypeName(uint8_t code) {
    return code < kFieldTypeCount ? kTypeNames[code] : kTypeNames[0];
}

bool fieldTypeByName(const std::string& name, uint8_t& code) {
    for (int i = 0; i < kFieldTypeCount; ++i) {
        if (name == kTypeNames[i]) {
            code = static_cast<uint8_t>(i);
            return true;
        }
    }
    return false;
}

bool fieldTypeCreatable(uint8_t code) {
    switch (code) {
        case ftString:
        case ftSmallint:
        case ftInteger:
        case ftWord:
        case ftBoolean:
        case ftFloat:
        case ftDate:
        case ftDateTime:
        case ftAutoInc:
        case ftBlob:
        case ftLongWord:
        case ftNewKeys:
            return true;
        default:
            return false;
    }
}

int32_t parseIntegerText(std::string_view text) {
    const int64_t v = parseInteger64(text);
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    return static_cast<int32_t>(v);
}

// ---------------------------------------------------------------- TField

int TField::GetIndex() const {
    if (!FOwner) return -1;
    for (int i = 0; i < FOwner->FieldCount(); ++i)
        if (FOwner->Field(i) == this) return i;
    return -1;
}

void TField::Clear() {
    FModifiFields = false;
    FStValue.assign(static_cast<std::size_t>(GetSizeForFile_b1()), 0);
}

void TField::readValue() {
    FStValue.resize(static_cast<std::size_t>(GetSizeForFile_b1()));
    if (!FStValue.empty()) FOwner->readSlotBytes(FPosSeekRecord, FStValue.data(), FStValue.size());
}

uint8_t* TField::beginWrite() {
    FStValue.assign(static_cast<std::size_t>(GetSizeForFile_b1()), 0);
    return FStValue.data();
}

void TField::endWrite() {
    FModifiFields = true;
    FOwner->fieldSet();
}

int32_t TField::asInteger() {
    return 0;
}
void TField::setAsInteger(int64_t) {}
std::string TField::asString() {
    return {};
}
void TField::setAsString(std::string_view) {}
TDateTime TField::asDateTime() {
    return 0;
}
void TField::setAsDateTime(TDateTime) {}

void TField::WriteForFile_b1() {
    FStValue.resize(static_cast<std::size_t>(GetSizeForFile_b1()));
    if (!FStValue.empty()) FOwner->writeSlotBytes(FPosSeekRecord, FStValue.data(), FStValue.size());
}

void TField::LoadFromStream(TStream& stream) {
    uint8_t* p = beginWrite();
    if (!FStValue.empty()) stream.Read(p, static_cast<int64_t>(FStValue.size()));
    endWrite();
}

void TField::SaveToStream(TStream& stream) {
    readValue();
    stream.WriteBuffer(FStValue.data(), static_cast<int64_t>(FStValue.size()));
}

// ---------------------------------------------------------------- unsigned 32-bit

uint32_t TLongWordField::asLongWord() {
    readValue();
    return getU32(FStValue.data());
}

int32_t TLongWordField::asInteger() {
    const uint32_t v = asLongWord();
    if (v > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        throw ERangeError("value " + std::to_string(v) + " out of range");
    return static_cast<int32_t>(v);
}

void TLongWordField::setAsInteger(int64_t value) {
    checkRange(value, 0, std::numeric_limits<uint32_t>::max());
    putU32(beginWrite(), static_cast<uint32_t>(value));
    endWrite();
}

std::string TLongWordField::asString() {
    return std::to_string(asLongWord());
}

void TLongWordField::setAsString(std::string_view value) {
    const int64_t v = parseInteger64(value);
    checkRange(v, 0, std::numeric_limits<uint32_t>::max());
    putU32(beginWrite(), static_cast<uint32_t>(v));
    endWrite();
}

namespace {
void writeKey(TLongWordField& field, TTableBlob* owner, int64_t value,
              const std::function<void(uint32_t)>& store) {
    checkRange(value, 0, std::numeric_limits<uint32_t>::max());
    const auto key = static_cast<uint32_t>(value);
    if (owner->inKeySearch()) {
        owner->setGotoKeyN(key);
        return;
    }
    const uint32_t old = field.asLongWord();
    store(key);
    owner->keyChanged(old, key);
}
}  // namespace

void TAutoIncField::setAsInteger(int64_t value) {
    writeKey(*this, FOwner, value, [this](uint32_t k) { TLongWordField::setAsInteger(k); });
}

void TNewKeysField::setAsInteger(int64_t value) {
    writeKey(*this, FOwner, value, [this](uint32_t k) { TLongWordField::setAsInteger(k); });
}

// ---------------------------------------------------------------- signed and small integers

int32_t TIntegerField::asInteger() {
    readValue();
    return getI32(FStValue.data());
}
void TIntegerField::setAsInteger(int64_t value) {
    checkRange(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    putI32(beginWrite(), static_cast<int32_t>(value));
    endWrite();
}
std::string TIntegerField::asString() {
    return std::to_string(asInteger());
}
void TIntegerField::setAsString(std::string_view value) {
    setAsInteger(parseIntegerText(value));
}

int32_t TSmallintField::asInteger() {
    readValue();
    return getI16(FStValue.data());
}
void TSmallintField::setAsInteger(int64_t value) {
    checkRange(value, -32768, 32767);
    putI16(beginWrite(), static_cast<int16_t>(value));
    endWrite();
}
std::string TSmallintField::asString() {
    return std::to_string(asInteger());
}
void TSmallintField::setAsString(std::string_view value) {
    setAsInteger(parseIntegerText(value));
}

int32_t TWordField::asInteger() {
    readValue();
    return getU16(FStValue.data());
}
void TWordField::setAsInteger(int64_t value) {
    checkRange(value, 0, 65535);
    putU16(beginWrite(), static_cast<uint16_t>(value));
    endWrite();
}
std::string TWordField::asString() {
    return std::to_string(asInteger());
}
void TWordField::setAsString(std::string_view value) {
    setAsInteger(parseIntegerText(value));
}

int32_t TBooleanField::asInteger() {
    readValue();
    return FStValue[0];
}
void TBooleanField::setAsInteger(int64_t value) {
    checkRange(value, 0, 255);
    beginWrite()[0] = static_cast<uint8_t>(value);
    endWrite();
}
std::string TBooleanField::asString() {
    return asInteger() != 0 ? "true" : "false";
}
void TBooleanField::setAsString(std::string_view value) {
    beginWrite()[0] = toLowerAscii(value) == "true" ? 1 : 0;
    endWrite();
}

// ---------------------------------------------------------------- float

long double TFloatField::asFloat() {
    readValue();
    return decodeExtended(FStValue.data());
}
void TFloatField::setAsFloat(long double value) {
    const Extended80 e = encodeExtended(value);
    std::memcpy(beginWrite(), e.data(), e.size());
    endWrite();
}
int32_t TFloatField::asInteger() {
    return truncToInt32(asFloat());
}
void TFloatField::setAsInteger(int64_t value) {
    checkRange(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    setAsFloat(static_cast<long double>(value));
}
std::string TFloatField::asString() {
    return formatFloatGeneral(asFloat(), localeDecimalSeparator());
}
void TFloatField::setAsString(std::string_view value) {
    setAsFloat(parseFloatText(value, localeDecimalSeparator()));
}

// ---------------------------------------------------------------- string

void TStringField::SetSizeForFile_b1(int length) {
    FSizeForFile_b1 = length;
    FStValue.assign(static_cast<std::size_t>(length), 0);
}

std::string TStringField::asString() {
    readValue();
    if (FStValue.empty()) return {};
    const std::size_t n = std::min<std::size_t>(FStValue[0], FStValue.size() - 1);
    return cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(FStValue.data() + 1), n));
}

void TStringField::setAsString(std::string_view value) {
    uint8_t* p = beginWrite();
    if (FSizeForFile_b1 > 0) {
        const std::string cp =
            utf8ToCp1251Cut(value, static_cast<std::size_t>(FSizeForFile_b1 - 1));
        p[0] = static_cast<uint8_t>(cp.size());
        std::memcpy(p + 1, cp.data(), cp.size());
    }
    endWrite();
}

int32_t TStringField::asInteger() {
    const std::string s = asString();
    if (trimView(s).empty()) return 0;
    return parseIntegerText(s);
}

void TStringField::setAsInteger(int64_t value) {
    std::string s = std::to_string(value);
    if (static_cast<int>(s.size()) > Size()) s.clear();
    setAsString(s);
}

// ---------------------------------------------------------------- dates

int32_t TDateField::asInteger() {
    readValue();
    const uint32_t v = getU32(FStValue.data());
    if (v > static_cast<uint32_t>(std::numeric_limits<int32_t>::max()))
        throw ERangeError("day number out of range");
    return static_cast<int32_t>(v);
}
void TDateField::setAsInteger(int64_t value) {
    checkRange(value, 0, std::numeric_limits<int32_t>::max());
    putU32(beginWrite(), static_cast<uint32_t>(value));
    endWrite();
}
std::string TDateField::asString() {
    const int32_t d = asInteger();
    if (d > kMaxDay) throw ERangeError("date out of range");
    return dateText(d);
}
void TDateField::setAsString(std::string_view value) {
    setAsInteger(parseDateText(value));
}
TDateTime TDateField::asDateTime() {
    return static_cast<TDateTime>(asInteger());
}
void TDateField::setAsDateTime(TDateTime value) {
    if (!std::isfinite(value)) throw ERangeError("date out of range");
    const double t = std::trunc(value);
    if (t < 0 || t > static_cast<double>(std::numeric_limits<int32_t>::max()))
        throw ERangeError("date out of range");
    setAsInteger(static_cast<int64_t>(t));
}

int32_t TDateTimeField::asInteger() {
    return truncToInt32(asDateTime());
}
void TDateTimeField::setAsInteger(int64_t value) {
    checkRange(value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    setAsDateTime(static_cast<TDateTime>(value));
}
std::string TDateTimeField::asString() {
    const double v = asDateTime();
    checkDateTimeRange(v);
    return dateTimeText(v);
}
void TDateTimeField::setAsString(std::string_view value) {
    setAsDateTime(parseDateTimeText(value));
}
TDateTime TDateTimeField::asDateTime() {
    readValue();
    return getF64(FStValue.data());
}
void TDateTimeField::setAsDateTime(TDateTime value) {
    putF64(beginWrite(), value);
    endWrite();
}

}  // namespace zavlin
