#pragma once

#include <string>
#include <string_view>

namespace dovrex::test {

// A fresh folder under the system's temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return mPath; }
    std::string File(const std::string& name) const { return mPath + "/" + name; }
    // Writes bytes to a file in the folder and returns its path.
    std::string Write(const std::string& name, std::string_view bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string mPath;
};

// Bytes from a list of byte values, for layouts written out in tests.
std::string Bytes(std::initializer_list<int> values);

} // namespace dovrex::test
