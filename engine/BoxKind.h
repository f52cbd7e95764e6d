#pragma once

namespace zekt {

// The icon of an operator's message box.
enum class BoxKind { None, Error, Warning, Information, Question };

} // namespace zekt
