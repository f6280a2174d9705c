#include "engine/registry.h"

#include <cstring>
#include <memory>

#include "platform/text.h"
#include "platform/windows_api.h"

namespace tovik {

namespace {

HKEY rootKey(RegistryHive hive) {
    switch (hive) {
        case RegistryHive::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegistryHive::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryHive::LocalMachine:
            return HKEY_LOCAL_MACHINE;
    }
    return HKEY_CURRENT_USER;
}

// An open registry key, closed on destruction.
class RegistryKey {
public:
    // Opens the key, creating it when missing.
    RegistryKey(RegistryHive hive, const char* keyPath, REGSAM access) {
        char keyClass[] = "REG_SZ";
        if (RegCreateKeyExA(rootKey(hive), keyPath, 0, keyClass, REG_OPTION_NON_VOLATILE, access,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    ~RegistryKey() {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

private:
    HKEY key_ = nullptr;
};

}  // namespace

void readRegistryString(char* buffer, std::uint32_t size, const char* valueName, RegistryHive hive,
                        const char* keyPath) {
    if (size == 0) {
        return;
    }
    buffer[0] = '\0';
    RegistryKey key(hive, keyPath, KEY_QUERY_VALUE);
    if (!key) {
        return;
    }
    // The stored data may be longer than the buffer, or lack its terminator: read it whole,
    // terminate it, and cut it to fit.
    DWORD dataSize = 0;
    if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr, nullptr, &dataSize) !=
        ERROR_SUCCESS) {
        return;
    }
    auto data = std::make_unique<char[]>(dataSize + 1);
    if (RegQueryValueExA(key.get(), valueName, nullptr, nullptr,
                         reinterpret_cast<BYTE*>(data.get()), &dataSize) != ERROR_SUCCESS) {
        return;
    }
    data[dataSize] = '\0';
    copyText(buffer, size, data.get());
}

void writeRegistryString(const char* value, const char* valueName, RegistryHive hive,
                         const char* keyPath) {
    RegistryKey key(hive, keyPath, KEY_WRITE);
    if (!key) {
        return;
    }
    RegSetValueExA(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
}

}  // namespace tovik
