#include "data/settings_store.h"

namespace zc {

void SettingsStore::readGrandchildren(KeyId key, GrandchildReader& reader) {
    std::size_t number = 0;
    for (const SubkeyValues& child : subkeysWithValues(key)) {
        reader.child(child.name);
        for (const SubkeyValues& grandchild : subkeysWithValues(child.key)) {
            reader.grandchild();
            for (const NamedValue& v : grandchild.values)
                reader.value(number, v.name, v.value.type, v.value.data);
            ++number;
        }
    }
}

} // namespace zc
