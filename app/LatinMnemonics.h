#pragma once

#include <QObject>

class QWidget;

namespace zekt {

// Alt+letter works whichever keyboard layout is active: while a Latin one
// is, the key in a Russian letter's place (ЙЦУКЕН over QWERTY) acts as that
// letter's Alt+key would, as operators expect of Russian programs.
class LatinMnemonics : public QObject {
public:
    // Listens to the whole application's keys for as long as it lives.
    explicit LatinMnemonics(QObject* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The Russian letter on the key that carries latinKey (a Qt::Key) in the
// Latin layout; a null QChar for a key that carries none.
QChar RussianLetterOnKey(int latinKey);

// Whether key (a Qt::Key) is the key that carries latinKey, in the Latin
// layout or as the Russian letter on it (Ctrl+Z is Ctrl+Я under ЙЦУКЕН).
bool IsOnLatinKey(int key, int latinKey);

// Does in window what Alt+letter does there: presses the button, focuses the
// field a label names, or the first field of a titled box. With several
// under one letter, the focus goes to the next of them. False when the
// window has none.
bool ActivateMnemonic(QWidget* window, QChar letter);

} // namespace zekt
