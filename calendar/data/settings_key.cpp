#include "data/settings_key.h"

#include <cstring>

namespace zc {
namespace {

bool equalsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

std::string monthName(int year, int month) {
    return std::to_string(year) + "_" + std::to_string(month);
}

std::string appointmentName(int day, int hour, int minute) {
    return std::to_string(day) + "_" + std::to_string(hour) + "_" + std::to_string(minute);
}

std::int32_t dwordFrom(const StoredValue& v) {
    if (v.type != ValueType::Dword || v.data.size() != 4) return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(v.data.data());
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

} // namespace

std::string dwordBytes(std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    const char bytes[4] = {static_cast<char>(u & 0xFF), static_cast<char>((u >> 8) & 0xFF),
                           static_cast<char>((u >> 16) & 0xFF), static_cast<char>((u >> 24) & 0xFF)};
    return std::string(bytes, 4);
}

int SettingsKey::openWrite(const std::string& relativePath) {
    path_ = std::string(kBasePath) + "\\" + relativePath;
    values_.clear();
    valuesLoaded_ = false;
    SettingsStore::Disposition disposition{};
    key_ = store_->createKey(path_, &disposition);
    if (key_ == SettingsStore::kNoKey) return kFailed;
    return disposition == SettingsStore::Disposition::CreatedNew ? kCreated : kExisted;
}

bool SettingsKey::openRead(const std::string& relativePath) {
    path_ = std::string(kBasePath) + "\\" + relativePath;
    values_.clear();
    valuesLoaded_ = false;
    key_ = store_->openKey(path_);
    return key_ != SettingsStore::kNoKey;
}

int SettingsKey::openGroup(const std::string& name) {
    return openWrite(name);
}
int SettingsKey::openAppointments() {
    return openWrite("Appointments");
}
int SettingsKey::openPath(const std::string& relativePath) {
    return openWrite(relativePath);
}

int SettingsKey::openAppointment(int year, int month, int day, int hour, int minute) {
    return openWrite("Appointments\\" + monthName(year, month) + "\\" + appointmentName(day, hour, minute));
}

bool SettingsKey::openAppointmentForRead(int year, int month, const std::string& subkeyName) {
    if (!openRead("Appointments\\" + monthName(year, month) + "\\" + subkeyName)) return false;
    values_ = store_->allValues(key_);
    valuesLoaded_ = true;
    return true;
}

bool SettingsKey::openMonthForRead(int year, int month) {
    return openRead("Appointments\\" + monthName(year, month));
}

bool SettingsKey::openAppointmentsForRead() {
    return openRead("Appointments");
}
bool SettingsKey::openPathForRead(const std::string& relativePath) {
    return openRead(relativePath);
}

void SettingsKey::deleteAppointmentKey(int year, int month, int day, int hour, int minute) {
    if (openWrite("Appointments\\" + monthName(year, month)) != kFailed)
        store_->deleteSubkey(key_, appointmentName(day, hour, minute));
}

bool SettingsKey::deleteMonth(int year, int month) {
    if (!openMonthForRead(year, month)) return false;
    if (openAppointments() != kFailed) store_->deleteSubkey(key_, monthName(year, month));
    return true;
}

bool SettingsKey::deleteSubkey(const std::string& name) {
    return isOpen() && store_->deleteSubkey(key_, name);
}

void SettingsKey::adoptLoaded(const std::string& relativePath, SubkeyValues&& loaded) {
    path_ = std::string(kBasePath) + "\\" + relativePath;
    key_ = loaded.key;
    values_ = std::move(loaded.values);
    valuesLoaded_ = true;
}

std::vector<SubkeyValues> SettingsKey::subkeysWithValues() const {
    return isOpen() ? store_->subkeysWithValues(key_) : std::vector<SubkeyValues>{};
}

std::vector<std::string> SettingsKey::subkeyNames() const {
    return isOpen() ? store_->subkeyNames(key_) : std::vector<std::string>{};
}

void SettingsKey::writeDword(const std::string& name, std::int32_t value) {
    if (!isOpen()) return;
    const std::string data = dwordBytes(value);
    if (store_->setValue(key_, name, ValueType::Dword, data) && valuesLoaded_)
        values_.clear(), valuesLoaded_ = false;
}

void SettingsKey::writeString(const std::string& name, const std::string& text) {
    if (!isOpen()) return;
    if (store_->setValue(key_, name, ValueType::String, text) && valuesLoaded_)
        values_.clear(), valuesLoaded_ = false;
}

void SettingsKey::writeBinary(const std::string& name, const void* bytes, std::size_t size) {
    if (!isOpen()) return;
    const std::string_view data(static_cast<const char*>(bytes), size);
    if (store_->setValue(key_, name, ValueType::Binary, data) && valuesLoaded_)
        values_.clear(), valuesLoaded_ = false;
}

const StoredValue* SettingsKey::cached(const std::string& name) const {
    for (const NamedValue& v : values_)
        if (equalsNoCase(v.name, name)) return &v.value;
    return nullptr;
}

std::optional<StoredValue> SettingsKey::lookup(const std::string& name) const {
    if (!isOpen()) return std::nullopt;
    if (valuesLoaded_) {
        const StoredValue* v = cached(name);
        return v ? std::optional<StoredValue>(*v) : std::nullopt;
    }
    return store_->queryValue(key_, name);
}

std::int32_t SettingsKey::readDword(const std::string& name) const {
    const auto v = lookup(name);
    return v ? dwordFrom(*v) : 0;
}

bool SettingsKey::readDword(const std::string& name, std::int32_t& target) const {
    const auto v = lookup(name);
    if (!v || v->type != ValueType::Dword || v->data.size() != 4) return false;
    target = dwordFrom(*v);
    return true;
}

bool SettingsKey::readString(const std::string& name, std::string& target) const {
    const auto v = lookup(name);
    if (!v || v->type != ValueType::String) return false;
    // A stored terminating zero (written by other tools) is not part of the text.
    const std::size_t end = v->data.find('\0');
    target = end == std::string::npos ? v->data : v->data.substr(0, end);
    return true;
}

bool SettingsKey::readBinary(const std::string& name, void* buffer, std::size_t size) const {
    const auto v = lookup(name);
    if (!v || v->type != ValueType::Binary || v->data.size() > size) return false;
    std::memcpy(buffer, v->data.data(), v->data.size());
    return true;
}

void SettingsKey::writeAppointment(const AppointmentValues& a) {
    if (!isOpen()) return;
    auto dword = [](const char* name, std::int32_t value) {
        return NamedValue{name, {ValueType::Dword, dwordBytes(value)}};
    };
    auto text = [](const char* name, const std::string& value) {
        return NamedValue{name, {ValueType::String, value}};
    };
    store_->setValues(key_, {dword("year", a.year), dword("month", a.month), dword("day", a.day),
                             dword("hour", a.hour), dword("minute", a.minute), dword("early", a.early),
                             text("notes", a.notes), dword("started", a.started), dword("repeats", a.repeats),
                             text("sday", a.sday), text("nthweek", a.nthweek), dword("nthday", a.nthday)});
    values_.clear();
    valuesLoaded_ = false;
}

void SettingsKey::readAppointment(AppointmentValues& a) const {
    a.year = readDword("year");
    a.month = readDword("month");
    a.day = readDword("day");
    a.hour = readDword("hour");
    a.minute = readDword("minute");
    a.early = readDword("early");
    readString("notes", a.notes);
    a.started = readDword("started");
    a.repeats = readDword("repeats");
    readString("sday", a.sday);
    readString("nthweek", a.nthweek);
    a.nthday = readDword("nthday");
}

void writePosition(const std::string& group, int left, int top) {
    SettingsKey key;
    if (key.openGroup(group) == SettingsKey::kFailed) return;
    key.writeDword("left", left);
    key.writeDword("top", top);
}

WindowPosition readPosition(const std::string& group) {
    SettingsKey key;
    key.openGroup(group);
    WindowPosition position;
    const bool left = key.readDword("left", position.left);
    const bool top = key.readDword("top", position.top);
    position.stored = left && top;
    return position;
}

} // namespace zc
