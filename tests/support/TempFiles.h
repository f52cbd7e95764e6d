#pragma once

#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// A scratch folder that writes files byte for byte (no line-end translation).
class TempFiles {
public:
    TempFiles() { QVERIFY2(dir.isValid(), "no temporary folder"); }

    std::string Write(const std::string& name, const std::string& content) {
        const std::string path = Path(name);
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream out(path, std::ios::binary);
        out << content;
        return path;
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

private:
    QTemporaryDir dir;
};
