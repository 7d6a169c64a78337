#include "ui/ExpressionCompletion.h"

#include "definitions/BuiltInHelp.h"
#include "definitions/ExprParserDefinitions.h"
#include "ui/CoreText.h"

#include <QCoreApplication>
#include <QSet>

namespace calc {

namespace {

QString Tr(const char* text)
{
    return QCoreApplication::translate("calc::TfrmExpressionView", text);
}

/// The built-ins with their help; none when the help does not fit the registry.
std::vector<TBuiltInDoc> BuiltInDocs(const TParserDefinitions& definitions)
{
    try {
        return DescribeBuiltIns(definitions);
    }
    catch (const EException&) {
        return {};
    }
}

QString ValueText(Extended value)
{
    return QString::number(static_cast<double>(value), 'g', 15);
}

} // namespace

std::vector<TCompletionEntry> CompletionEntries(const TParserDefinitions& definitions)
{
    std::vector<TCompletionEntry> entries;
    QSet<QString> seen;
    const auto add = [&](TCompletionEntry entry) {
        if (!seen.contains(entry.Name.toUpper())) {
            seen.insert(entry.Name.toUpper());
            entries.push_back(std::move(entry));
        }
    };
    for (const TBuiltInDoc& doc : BuiltInDocs(definitions))
        for (const std::string& name : doc.Names)
            add({FromCore(name), FromCore(name + "(" + doc.Arguments + ")"),
                 Tr("built-in function"), FromCore(doc.Description), true});
    for (int i = 0; i < definitions.FunctionCount(); ++i)
        add({FromCore(definitions.FunctionNames(i)), FromCore(definitions.FunctionNames(i)) + "()",
             Tr("built-in function"), QString(), true});
    for (int i = 0; i < definitions.ConstantCount(); ++i) {
        Extended value = 0;
        const std::string& name = definitions.ConstantNames(i);
        (void)definitions.FindConstant(name, value);
        add({FromCore(name), FromCore(name) + " = " + ValueText(value), Tr("built-in constant"),
             QString(), false});
    }
    for (int g = 0; g < definitions.GroupCount(); ++g) {
        const TDefinitionsGroup& group = definitions.Groups(g);
        for (int i = 0; i < group.Count(); ++i) {
            const bool function = group.GetKind(i) == TDefinitionKind::dkFunc;
            const QString shown = function ? FromCore(group.GetDisplayName(i))
                                           : FromCore(group.GetName(i) + " = " + group.GetText(i));
            add({FromCore(group.GetName(i)), shown,
                 function ? Tr("user function") : Tr("user constant"), QString(), function});
        }
    }
    return entries;
}

bool FindSignature(const TParserDefinitions& definitions, std::string_view name,
                   TSignature& signature)
{
    std::unique_ptr<TCustomFuncEvaluator> evaluator;
    if (!definitions.FindFunction(name, evaluator))
        return false;
    signature = {};
    if (dynamic_cast<const TBuiltInFuncEvaluator*>(evaluator.get()) != nullptr) {
        for (const TBuiltInDoc& doc : BuiltInDocs(definitions))
            for (const std::string& docName : doc.Names)
                if (AnsiSameText(docName, name)) {
                    signature.Name = FromCore(docName);
                    signature.Arguments = FromCore(doc.Arguments).split(QStringLiteral(", "));
                    signature.Variadic = signature.Arguments.size() > 1 &&
                                         signature.Arguments.last() == QStringLiteral("...");
                    if (signature.Variadic)
                        signature.Arguments.removeLast();
                    signature.Description = FromCore(doc.Description);
                    return true;
                }
        signature.Name = FromCore(name);
        return true;
    }
    for (int g = 0; g < definitions.GroupCount(); ++g) {
        const TDefinitionsGroup& group = definitions.Groups(g);
        for (int i = 0; i < group.Count(); ++i)
            if (group.GetKind(i) == TDefinitionKind::dkFunc &&
                AnsiSameText(group.GetName(i), name)) {
                signature.Name = FromCore(group.GetName(i));
                const QString arguments = FromCore(group.GetArgumentsText(i));
                if (!arguments.isEmpty())
                    signature.Arguments = arguments.split(QLatin1Char(','));
                for (QString& argument : signature.Arguments)
                    argument = argument.trimmed();
                return true;
            }
    }
    signature.Name = FromCore(name);
    return true;
}

TCallAtCaret FindCallAtCaret(std::string_view text, const TScanSettings& settings,
                             std::size_t caret)
{
    struct TFrame {
        std::string Name;
        int Argument = 0;
    };
    std::vector<TFrame> frames;
    std::string lastName; // a name just before, which a bracket makes a call
    for (const TTokenSpan& span : ScanExpression(text, settings)) {
        if (span.Start + span.Length > caret)
            break;
        switch (span.Kind) {
        case TTokenKind::tkBlank:
            continue;
        case TTokenKind::tkBuiltInFunction:
        case TTokenKind::tkUserFunction:
        case TTokenKind::tkUnknownName:
            lastName = std::string(text.substr(span.Start, span.Length));
            continue;
        case TTokenKind::tkBracket:
            if (text[span.Start] == '(' || text[span.Start] == '{')
                frames.push_back({text[span.Start] == '(' ? lastName : std::string(), 0});
            else if (!frames.empty())
                frames.pop_back();
            break;
        case TTokenKind::tkListSeparator:
            if (!frames.empty())
                ++frames.back().Argument;
            break;
        default:
            break;
        }
        lastName.clear();
    }
    if (frames.empty() || frames.back().Name.empty())
        return {};
    return {frames.back().Name, frames.back().Argument};
}

QString SignatureHintText(const TSignature& signature, int argument)
{
    QStringList parts;
    const auto count = static_cast<int>(signature.Arguments.size());
    for (int i = 0; i < count; ++i) {
        // Past the last one of a list, the last one is the current one again.
        const bool current =
            i == argument || (signature.Variadic && i == count - 1 && argument > i);
        const QString text = signature.Arguments[i].toHtmlEscaped();
        parts << (current ? QStringLiteral("<b>%1</b>").arg(text) : text);
    }
    if (signature.Variadic)
        parts << QStringLiteral("...");
    QString hint = signature.Name.toHtmlEscaped() + QLatin1Char('(') +
                   parts.join(QStringLiteral(", ")) + QLatin1Char(')');
    if (!signature.Description.isEmpty())
        hint += QStringLiteral("<br>") + signature.Description.toHtmlEscaped();
    return hint;
}

} // namespace calc
