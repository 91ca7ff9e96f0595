#pragma once
// SettingsKey holds at most one open key of the settings store, below the calendar's base path
// "SOFTWARE\Ombrix\ZorvelCal", and reads and writes its values with the registry's rules: a missing
// or wrongly typed number reads 0, a text that cannot be read leaves its target unchanged, and a
// failed write is ignored. Write-side opens create what is missing.
#include "data/appointment_values.h"
#include "data/settings_store.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zc {

inline constexpr const char* kBasePath = "SOFTWARE\\Ombrix\\ZorvelCal";

// Every appointment below the "Appointments" key, as loading reads them in one pass.
struct StoredAppointments {
    struct Month {
        std::string name;
        std::size_t first = 0; // its entries are entries[first] to entries[first + count - 1]
        std::size_t count = 0;
    };
    std::vector<Month> months;              // in name order
    std::vector<AppointmentValues> entries; // each month's in name order
};

class SettingsKey {
  public:
    // Results of the write-side opens.
    static constexpr int kFailed = 0;
    static constexpr int kCreated = 1;
    static constexpr int kExisted = 2;

    SettingsKey() : store_(&settingsStore()) {}
    explicit SettingsKey(SettingsStore& store) : store_(&store) {}

    // Write-side opens: create the key when missing; kCreated, kExisted or kFailed.
    int openGroup(const std::string& name);
    int openAppointment(int year, int month, int day, int hour, int minute);
    int openAppointments();
    int openPath(const std::string& relativePath);

    // Read-side opens: fail on a missing key.
    bool openAppointmentForRead(int year, int month, const std::string& subkeyName);
    bool openMonthForRead(int year, int month);
    bool openAppointmentsForRead();
    bool openPathForRead(const std::string& relativePath);

    // Deletes the appointment key day_hour_minute below its month (creating the month key first,
    // as the write-side open does).
    void deleteAppointmentKey(int year, int month, int day, int hour, int minute);
    // Deletes a month with all its appointments; returns whether the month existed.
    bool deleteMonth(int year, int month);
    // Deletes a direct subkey of the open key, with everything below it.
    bool deleteSubkey(const std::string& name);

    // The open key's subkeys with all their values, in name order.
    std::vector<SubkeyValues> subkeysWithValues() const;

    bool isOpen() const { return key_ != SettingsStore::kNoKey; }
    const std::string& path() const { return path_; }
    // The open key's direct subkeys in name order.
    std::vector<std::string> subkeyNames() const;

    void writeDword(const std::string& name, std::int32_t value);
    void writeString(const std::string& name, const std::string& text);
    void writeBinary(const std::string& name, const void* bytes, std::size_t size);

    std::int32_t readDword(const std::string& name) const;
    // Replaces target only when the value exists and is a 32-bit number.
    bool readDword(const std::string& name, std::int32_t& target) const;
    // Replaces target only when the value exists and is text; texts of any length read whole.
    bool readString(const std::string& name, std::string& target) const;
    // True only when the value exists, is binary and fits the buffer; then it is copied in.
    bool readBinary(const std::string& name, void* buffer, std::size_t size) const;

    // The twelve values of an appointment: written in one transaction, read from one query.
    void writeAppointment(const AppointmentValues& values);
    void readAppointment(AppointmentValues& values) const;
    // Every appointment below the open key, the "Appointments" key, with the reading rules of
    // readAppointment.
    StoredAppointments readAppointments() const;

  private:
    int openWrite(const std::string& relativePath);
    bool openRead(const std::string& relativePath);
    const StoredValue* cached(const std::string& name) const;
    std::optional<StoredValue> lookup(const std::string& name) const;

    SettingsStore* store_;
    SettingsStore::KeyId key_ = SettingsStore::kNoKey;
    std::string path_;
    // Read-side opens fetch every value of the key at once; loading reads whole keys.
    std::vector<NamedValue> values_;
    bool valuesLoaded_ = false;
};

// Helpers on top of SettingsKey for the "left"/"top" position groups of the windows.
struct WindowPosition {
    int left = 0;
    int top = 0;
    // Whether the group holds both values; a window never moved has no place of its own.
    bool stored = false;
};
void writePosition(const std::string& group, int left, int top);
WindowPosition readPosition(const std::string& group);

std::string dwordBytes(std::int32_t value);

} // namespace zc
