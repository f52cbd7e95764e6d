#pragma once

#include "OperatorDialogs.h"

#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

// Answers the program's boxes and file dialogs from a script and records
// every one of them.
class ScriptedDialogs : public zekt::OperatorDialogs {
public:
    struct Box {
        QString text;
        QString title;
        zekt::BoxIcon icon;
        zekt::BoxButtons buttons;
        QString advice;
    };
    std::vector<Box> boxes;
    std::vector<zekt::FileDialogRequest> fileDialogs;
    std::deque<zekt::BoxResult> answers; // Ok when empty
    QStringList files; // chosen paths in order; an empty entry or none left cancels
    int beeps = 0;
    QStringList lines; // typed lines in order; none left cancels
    QStringList asked; // the label of every line asked
    // Called with each box before it is answered (a test may swap radios here).
    std::function<void(const Box&)> onBox;
    // Called with each line's label before it is answered.
    std::function<void(const QString&)> onLine;

    zekt::BoxResult Message(const QString& text, const QString& title, zekt::BoxIcon icon,
                            zekt::BoxButtons buttons, const QString& advice = {}) override {
        boxes.push_back({text, title, icon, buttons, advice});
        if (onBox) {
            onBox(boxes.back());
        }
        if (answers.empty()) {
            return zekt::BoxResult::Ok;
        }
        const zekt::BoxResult answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<QString> OpenFile(const zekt::FileDialogRequest& request) override {
        return NextFile(request);
    }
    std::vector<zekt::SaveDialog> saveDialogs; // which save dialog each save asked
    std::optional<QString> SaveFile(zekt::SaveDialog which,
                                    const zekt::FileDialogRequest& request) override {
        saveDialogs.push_back(which);
        return NextFile(request);
    }
    void Beep() override { ++beeps; }
    std::optional<QString> AskLine(const QString& label, const QString&) override {
        asked.push_back(label);
        if (onLine) {
            onLine(label);
        }
        if (lines.isEmpty()) {
            return std::nullopt;
        }
        return lines.takeFirst();
    }

    const Box& Last() const { return boxes.back(); }

private:
    std::optional<QString> NextFile(const zekt::FileDialogRequest& request) {
        fileDialogs.push_back(request);
        const QString file = files.isEmpty() ? QString() : files.takeFirst();
        if (file.isEmpty()) {
            return std::nullopt;
        }
        return file;
    }
};
