#pragma once

#include "engine/ExprScanner.h"

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

namespace calc {

class TParserDefinitions;

/// A name the completion list offers, with the signature or value it shows.
struct TCompletionEntry {
    QString Name;
    QString Shown;       ///< "Max(x1, x2, ...)", "f(x, y)", "Pi = 3.14159265358979"
    QString Kind;        ///< built-in function, user constant, ...
    QString Description; ///< a built-in's one line; empty for user definitions
    bool Function = false;
};

/// Every known name once: built-in functions under each of their names, the built-in constants,
/// then the user definitions.
[[nodiscard]] std::vector<TCompletionEntry>
CompletionEntries(const TParserDefinitions& definitions);

/// A function's arguments as its hint shows them.
struct TSignature {
    QString Name;
    QStringList Arguments;
    bool Variadic = false; ///< the last argument repeats
    QString Description;
};

/// The signature of the function a call by this name reaches; false when none does.
[[nodiscard]] bool FindSignature(const TParserDefinitions& definitions, std::string_view name,
                                 TSignature& signature);

/// The innermost call whose brackets hold the caret: the name before its bracket and the index
/// of the argument the caret is in. Name is empty when the caret is in no call.
struct TCallAtCaret {
    std::string Name;
    int Argument = 0;
};
[[nodiscard]] TCallAtCaret FindCallAtCaret(std::string_view text, const TScanSettings& settings,
                                           std::size_t caret);

/// The hint's rich text: the signature with the current argument in bold, and the description.
[[nodiscard]] QString SignatureHintText(const TSignature& signature, int argument);

} // namespace calc
