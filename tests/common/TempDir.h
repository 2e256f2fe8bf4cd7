#pragma once
// A fresh folder under the system's temporary folder, removed with all its
// content when the object goes.

#include <filesystem>
#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return FPath; }
    // The full name of `name` inside the folder.
    std::string File(const std::string& name) const { return (FPath / name).string(); }

private:
    std::filesystem::path FPath;
};

// Whole-file helpers for tests.
std::string ReadFileBytes(const std::string& fileName);
void WriteFileBytes(const std::string& fileName, const std::string& bytes);

// What a shell command writes to its standard output; its exit status in
// `status` when given (-1 when it did not exit normally).
std::string CommandOutput(const std::string& command, int* status = nullptr);
