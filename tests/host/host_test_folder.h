// A fresh folder for one test of korvan-host, removed afterwards. The
// commands move into their working folder; the folder the test started in
// is restored.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class HostTestFolder : public ::testing::Test {
protected:
    void SetUp() override {
        start_ = std::filesystem::current_path();
        dir_ = std::filesystem::temp_directory_path() /
               ("korvan-host-test-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::filesystem::current_path(start_);
        std::filesystem::remove_all(dir_);
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name, std::ios::binary) << text;
    }
    static std::string read(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }

    std::filesystem::path start_, dir_;
};
