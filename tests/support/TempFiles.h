#pragma once

#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
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

    std::string Path(const std::string& name) const {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    }

private:
    QTemporaryDir dir;
};
