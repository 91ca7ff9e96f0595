#include "data/settings_key.h"

#include <cstring>
#include <string_view>
#include <utility>

namespace zc {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
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

std::int32_t dwordFrom(ValueType type, std::string_view data) {
    if (type != ValueType::Dword || data.size() != 4) return 0;
    const auto* b = reinterpret_cast<const unsigned char*>(data.data());
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
        static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24);
}

// A stored terminating zero (written by other tools) is not part of the text.
std::string_view textFrom(std::string_view data) {
    return data.substr(0, data.find('\0'));
}

// Whether a name is a field's name in any case; the field is of lower-case letters and as long as
// the name, and a byte matches a lower-case letter with the case bit set only when it is that
// letter in either case.
bool isField(std::string_view name, const char* field) {
    for (std::size_t i = 0; i < name.size(); ++i)
        if ((name[i] | 0x20) != field[i]) return false;
    return true;
}

// Takes one value into an appointment's twelve by its name, as readDword and readString would:
// a number of another type or size reads 0, a text of another type leaves its field unchanged,
// and a name that is none of the twelve is passed over. Loading calls this for every stored
// value, so the name is found by its length and first letter before it is compared.
void takeAppointmentValue(AppointmentValues& a, std::string_view name, ValueType type,
                          std::string_view data) {
    if (name.empty()) return;
    std::int32_t* number = nullptr;
    std::string* text = nullptr;
    const char* field = nullptr;
    switch (name.size() * 32 + (name[0] | 0x20) - 'a') {
    case 3 * 32 + 'd' - 'a':
        number = &a.day, field = "day";
        break;
    case 4 * 32 + 'y' - 'a':
        number = &a.year, field = "year";
        break;
    case 4 * 32 + 'h' - 'a':
        number = &a.hour, field = "hour";
        break;
    case 4 * 32 + 's' - 'a':
        text = &a.sday, field = "sday";
        break;
    case 5 * 32 + 'm' - 'a':
        number = &a.month, field = "month";
        break;
    case 5 * 32 + 'e' - 'a':
        number = &a.early, field = "early";
        break;
    case 5 * 32 + 'n' - 'a':
        text = &a.notes, field = "notes";
        break;
    case 6 * 32 + 'm' - 'a':
        number = &a.minute, field = "minute";
        break;
    case 6 * 32 + 'n' - 'a':
        number = &a.nthday, field = "nthday";
        break;
    case 7 * 32 + 's' - 'a':
        number = &a.started, field = "started";
        break;
    case 7 * 32 + 'r' - 'a':
        number = &a.repeats, field = "repeats";
        break;
    case 7 * 32 + 'n' - 'a':
        text = &a.nthweek, field = "nthweek";
        break;
    default:
        return;
    }
    if (!isField(name, field)) return;
    if (number)
        *number = dwordFrom(type, data);
    else if (type == ValueType::String)
        text->assign(textFrom(data));
}

// Collects the appointments of SettingsStore::readGrandchildren: the months are the children, the
// entries the grandchildren.
class AppointmentCollector final : public GrandchildReader {
  public:
    explicit AppointmentCollector(StoredAppointments& all) : all_(all) {}
    void expect(std::size_t grandchildren) override { all_.entries.reserve(all_.entries.size() + grandchildren); }
    void child(std::string_view name) override {
        all_.months.push_back({std::string(name), all_.entries.size(), 0});
    }
    void grandchild() override {
        all_.entries.emplace_back();
        ++all_.months.back().count;
    }
    void value(std::size_t grandchild, std::string_view name, ValueType type,
               std::string_view data) override {
        takeAppointmentValue(all_.entries[grandchild], name, type, data);
    }

  private:
    StoredAppointments& all_;
};

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
    return v ? dwordFrom(v->type, v->data) : 0;
}

bool SettingsKey::readDword(const std::string& name, std::int32_t& target) const {
    const auto v = lookup(name);
    if (!v || v->type != ValueType::Dword || v->data.size() != 4) return false;
    target = dwordFrom(v->type, v->data);
    return true;
}

bool SettingsKey::readString(const std::string& name, std::string& target) const {
    const auto v = lookup(name);
    if (!v || v->type != ValueType::String) return false;
    target = textFrom(v->data);
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
    a.year = a.month = a.day = a.hour = a.minute = a.early = a.started = a.repeats = a.nthday = 0;
    if (!isOpen()) return;
    std::vector<NamedValue> fetched;
    const std::vector<NamedValue>& values = valuesLoaded_ ? values_ : (fetched = store_->allValues(key_));
    for (const NamedValue& v : values)
        takeAppointmentValue(a, v.name, v.value.type, v.value.data);
}

StoredAppointments SettingsKey::readAppointments() const {
    StoredAppointments all;
    if (!isOpen()) return all;
    AppointmentCollector collector(all);
    store_->readGrandchildren(key_, collector);
    return all;
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
