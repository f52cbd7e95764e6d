#include "LatinMnemonics.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QWidget>
#include <algorithm>
#include <utility>
#include <vector>

namespace zekt {

namespace {

// The Russian layout's letters on the keys of the Latin one.
constexpr std::pair<int, char16_t> kRussianOnLatin[] = {
    {Qt::Key_Q, u'Й'},         {Qt::Key_W, u'Ц'},           {Qt::Key_E, u'У'},
    {Qt::Key_R, u'К'},         {Qt::Key_T, u'Е'},           {Qt::Key_Y, u'Н'},
    {Qt::Key_U, u'Г'},         {Qt::Key_I, u'Ш'},           {Qt::Key_O, u'Щ'},
    {Qt::Key_P, u'З'},         {Qt::Key_BracketLeft, u'Х'}, {Qt::Key_BracketRight, u'Ъ'},
    {Qt::Key_A, u'Ф'},         {Qt::Key_S, u'Ы'},           {Qt::Key_D, u'В'},
    {Qt::Key_F, u'А'},         {Qt::Key_G, u'П'},           {Qt::Key_H, u'Р'},
    {Qt::Key_J, u'О'},         {Qt::Key_K, u'Л'},           {Qt::Key_L, u'Д'},
    {Qt::Key_Semicolon, u'Ж'}, {Qt::Key_Apostrophe, u'Э'},  {Qt::Key_Z, u'Я'},
    {Qt::Key_X, u'Ч'},         {Qt::Key_C, u'С'},           {Qt::Key_V, u'М'},
    {Qt::Key_B, u'И'},         {Qt::Key_N, u'Т'},           {Qt::Key_M, u'Ь'},
    {Qt::Key_Comma, u'Б'},     {Qt::Key_Period, u'Ю'},      {Qt::Key_QuoteLeft, u'Ё'},
};

// The text whose "&" marks a widget's mnemonic; empty when it has none.
QString MnemonicText(const QWidget* widget) {
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        return button->text();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        return label->buddy() != nullptr ? label->text() : QString();
    }
    if (const auto* box = qobject_cast<const QGroupBox*>(widget)) {
        return box->title();
    }
    return {};
}

bool Usable(const QWidget* widget) {
    return widget->isVisible() && widget->isEnabled();
}

// The first field inside box that Tab would reach.
QWidget* FirstFieldIn(QWidget* box) {
    for (QWidget* w = box->nextInFocusChain(); w != box; w = w->nextInFocusChain()) {
        if (box->isAncestorOf(w) && (w->focusPolicy() & Qt::TabFocus) != 0 && Usable(w)) {
            return w;
        }
    }
    return nullptr;
}

void Activate(QWidget* widget) {
    QWidget* target = widget;
    if (const auto* label = qobject_cast<QLabel*>(widget)) {
        target = label->buddy();
    } else if (auto* box = qobject_cast<QGroupBox*>(widget)) {
        if (box->isCheckable()) {
            box->setChecked(!box->isChecked());
            return;
        }
        target = FirstFieldIn(box);
    }
    if (target == nullptr || !Usable(target)) {
        return;
    }
    if (target->focusPolicy() != Qt::NoFocus) {
        target->setFocus(Qt::ShortcutFocusReason);
    }
    if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->animateClick();
    }
}

} // namespace

QChar RussianLetterOnKey(int latinKey) {
    for (const auto& [key, letter] : kRussianOnLatin) {
        if (key == latinKey) {
            return QChar(letter);
        }
    }
    return {};
}

bool IsOnLatinKey(int key, int latinKey) {
    const QChar letter = RussianLetterOnKey(latinKey);
    return key == latinKey || (!letter.isNull() && key == letter.unicode());
}

bool ActivateMnemonic(QWidget* window, QChar letter) {
    const QKeySequence wanted(
        QKeyCombination(Qt::AltModifier, Qt::Key(letter.toUpper().unicode())));
    std::vector<QWidget*> named;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        // Windows of their own (the journal view is the main window's child)
        // have their own letters.
        if (widget->window() == window && Usable(widget) &&
            QKeySequence::mnemonic(MnemonicText(widget)) == wanted) {
            named.push_back(widget);
        }
    }
    if (named.empty()) {
        return false;
    }
    if (named.size() == 1) {
        Activate(named.front());
        return true;
    }
    // Several share the letter: each press moves the focus on, as Qt does.
    QWidget* focus = QApplication::focusWidget();
    auto current = std::find_if(named.begin(), named.end(), [focus](QWidget* w) {
        return w == focus ||
               (qobject_cast<QLabel*>(w) != nullptr && static_cast<QLabel*>(w)->buddy() == focus);
    });
    QWidget* next =
        current == named.end() || current + 1 == named.end() ? named.front() : *(current + 1);
    QWidget* field =
        qobject_cast<QLabel*>(next) != nullptr ? static_cast<QLabel*>(next)->buddy() : next;
    if (field != nullptr) {
        field->setFocus(Qt::ShortcutFocusReason);
    }
    return true;
}

LatinMnemonics::LatinMnemonics(QObject* parent) : QObject(parent) {
    qApp->installEventFilter(this);
}

bool LatinMnemonics::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType()) {
        return false;
    }
    const auto* key = static_cast<const QKeyEvent*>(event);
    const Qt::KeyboardModifiers others =
        key->modifiers() & ~(Qt::AltModifier | Qt::ShiftModifier | Qt::KeypadModifier);
    if ((key->modifiers() & Qt::AltModifier) == 0 || others != 0) {
        return false;
    }
    const QChar letter = RussianLetterOnKey(key->key());
    return !letter.isNull() && ActivateMnemonic(static_cast<QWidget*>(watched)->window(), letter);
}

} // namespace zekt
