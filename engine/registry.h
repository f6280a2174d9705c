// String values in the system registry (Windows only).
#pragma once

#include <cstdint>

namespace tovik {

enum class RegistryHive { ClassesRoot, CurrentUser, LocalMachine };

// Reads a value into `buffer` (`size` bytes, terminator included), cut to fit and always
// terminated; an empty text on any failure. The value's type is not looked at: other types
// come back as their raw bytes, an expandable string unexpanded. A missing key is created.
void readRegistryString(char* buffer, std::uint32_t size, const char* valueName, RegistryHive hive,
                        const char* keyPath);

// Writes a string value, terminator included, creating the key when needed. Failures are
// silent.
void writeRegistryString(const char* value, const char* valueName, RegistryHive hive,
                         const char* keyPath);

}  // namespace tovik
