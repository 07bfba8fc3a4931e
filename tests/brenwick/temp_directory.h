#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

// A fresh directory for one test, removed with everything in it afterwards.
class CTempDirectory {
public:
    CTempDirectory() {
        std::random_device random;
        m_path = std::filesystem::temp_directory_path() / ("brenwick-test-" + std::to_string(random()));
        std::filesystem::create_directories(m_path);
    }
    ~CTempDirectory() {
        std::error_code error;
        std::filesystem::remove_all(m_path, error);
    }
    CTempDirectory(const CTempDirectory&) = delete;
    CTempDirectory& operator=(const CTempDirectory&) = delete;

    std::string Path(const std::string& name) const { return (m_path / name).string(); }
    std::string Directory() const { return m_path.string(); }

    std::string Write(const std::string& name, const std::string& contents) const {
        std::ofstream file(Path(name), std::ios::binary);
        file << contents;
        return Path(name);
    }
    std::string Read(const std::string& name) const {
        std::ifstream file(Path(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }

private:
    std::filesystem::path m_path;
};
