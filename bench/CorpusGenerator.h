#pragma once

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace calc::bench {

// The speed corpus keeps to what every peer accepts alike: integers and plain decimals (never
// exponents), + - * /, unary minus, parentheses at most 4 deep (a call's own count), the
// one-argument functions sin cos sqrt exp abs, and no ^ (its associativity differs between
// tools). Each expression must give every tool the same real number: a division only by a
// non-zero literal, sqrt only of something non-negative, exp only of |x| <= 20, sin and cos only
// of |x| <= 1000, a finite value of at most 1e15, and well conditioned, so that a double, an
// 80-bit long double and 20 decimal digits agree to about 9 significant digits.
inline constexpr int kCorpusMaxDepth = 4;
inline constexpr double kCorpusExpLimit = 20.0;
inline constexpr double kCorpusTrigLimit = 1000.0;
inline constexpr double kCorpusNudge = 1e-12;
inline constexpr double kCorpusConditionTolerance = 1e-9;
inline constexpr double kCorpusValueLimit = 1e15;
inline constexpr std::array<std::string_view, 5> kCorpusFunctions = {"sin", "cos", "sqrt", "exp",
                                                                     "abs"};

/// Evaluates one corpus expression in double precision; nudge != 0 scales the literals by
/// 1 + nudge and 1 - nudge in turn, to see how much the value depends on them. Empty when the
/// text is not of the corpus grammar or its value is not finite.
class TCorpusEvaluator {
public:
    static std::optional<double> Value(std::string_view text, double nudge = 0)
    {
        TCorpusEvaluator evaluator(text, nudge);
        const std::optional<double> value = evaluator.ParseSum();
        if (!value || evaluator.FPos != text.size() || !std::isfinite(*value))
            return std::nullopt;
        return value;
    }

private:
    TCorpusEvaluator(std::string_view text, double nudge) : FText(text), FNudge(nudge) {}

    [[nodiscard]] char Peek() const noexcept { return FPos < FText.size() ? FText[FPos] : '\0'; }
    static bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
    static bool IsLetter(char c) noexcept { return c >= 'a' && c <= 'z'; }

    // sum = term { ("+" | "-") term }
    std::optional<double> ParseSum()
    {
        std::optional<double> value = ParseTerm();
        while (value && (Peek() == '+' || Peek() == '-')) {
            const char op = FText[FPos++];
            const std::optional<double> rhs = ParseTerm();
            if (!rhs)
                return std::nullopt;
            *value = op == '+' ? *value + *rhs : *value - *rhs;
        }
        return value;
    }

    // term = unary { ("*" | "/") unary }
    std::optional<double> ParseTerm()
    {
        std::optional<double> value = ParseUnary();
        while (value && (Peek() == '*' || Peek() == '/')) {
            const char op = FText[FPos++];
            const std::optional<double> rhs = ParseUnary();
            if (!rhs || (op == '/' && *rhs == 0))
                return std::nullopt;
            *value = op == '*' ? *value * *rhs : *value / *rhs;
        }
        return value;
    }

    // unary = "-" unary | primary
    std::optional<double> ParseUnary()
    {
        if (Peek() != '-')
            return ParsePrimary();
        ++FPos;
        const std::optional<double> value = ParseUnary();
        return value ? std::optional<double>(-*value) : std::nullopt;
    }

    // primary = number | name "(" sum ")" | "(" sum ")"
    std::optional<double> ParsePrimary()
    {
        if (IsDigit(Peek()))
            return ParseNumber();
        const std::size_t start = FPos;
        while (IsLetter(Peek()))
            ++FPos;
        const std::string_view name = FText.substr(start, FPos - start);
        if (Peek() != '(')
            return std::nullopt;
        ++FPos;
        const std::optional<double> inner = ParseSum();
        if (!inner || Peek() != ')')
            return std::nullopt;
        ++FPos;
        return Apply(name, *inner);
    }

    // number = digits [ "." digits ]
    std::optional<double> ParseNumber()
    {
        const std::size_t start = FPos;
        while (IsDigit(Peek()))
            ++FPos;
        if (Peek() == '.') {
            ++FPos;
            if (!IsDigit(Peek()))
                return std::nullopt;
            while (IsDigit(Peek()))
                ++FPos;
        }
        double value = 0;
        std::from_chars(FText.data() + start, FText.data() + FPos, value);
        if (FNudge == 0)
            return value;
        ++FLiterals;
        return value * (FLiterals % 2 ? 1 + FNudge : 1 - FNudge);
    }

    static std::optional<double> Apply(std::string_view name, double x)
    {
        if (name.empty())
            return x;
        if (name == "sin")
            return std::sin(x);
        if (name == "cos")
            return std::cos(x);
        if (name == "sqrt")
            return x < 0 ? std::nullopt : std::optional<double>(std::sqrt(x));
        if (name == "exp")
            return std::exp(x);
        if (name == "abs")
            return std::fabs(x);
        return std::nullopt;
    }

    std::string_view FText;
    double FNudge;
    std::size_t FPos = 0;
    int FLiterals = 0;
};

/// Draws the corpus's expressions; the same seed always gives the same expressions, on every
/// machine (the engine and its distribution are fixed, not the standard library's).
class TCorpusGenerator {
public:
    explicit TCorpusGenerator(std::uint64_t seed) : FRandom(seed) {}

    /// One expression: 20% short (3-29 characters), 60% medium (30-80), 20% long (150-300).
    std::string Expression()
    {
        const double r = Real();
        const int lo = r < 0.20 ? 3 : r < 0.80 ? 30 : 150;
        const int hi = r < 0.20 ? 29 : r < 0.80 ? 80 : 300;
        for (;;) {
            int target = Int(lo, hi);
            if (lo == 3)
                target = Int(3, 12);
            if (lo == 150)
                target = std::max(lo, target - 20);
            std::string text = Chain(0, target);
            if (Real() < 0.05 && text.front() != '-')
                text.insert(0, "-");
            const int length = static_cast<int>(text.size());
            if (length < lo || length > hi)
                continue;
            const std::optional<double> value = TCorpusEvaluator::Value(text);
            if (!value || std::fabs(*value) > kCorpusValueLimit || !WellConditioned(text, *value))
                continue;
            return text;
        }
    }

private:
    /// In [0, 1), from the top 53 bits.
    double Real() { return static_cast<double>(FRandom() >> 11) * 0x1p-53; }
    /// In [lo, hi]; the tiny modulo bias does not matter for a corpus.
    int Int(int lo, int hi)
    {
        return lo + static_cast<int>(FRandom() % static_cast<std::uint64_t>(hi - lo + 1));
    }
    template <typename T, std::size_t N> T Pick(const std::array<T, N>& items)
    {
        return items[static_cast<std::size_t>(Int(0, static_cast<int>(N) - 1))];
    }

    static bool WellConditioned(const std::string& text, double value)
    {
        const std::optional<double> nudged = TCorpusEvaluator::Value(text, kCorpusNudge);
        return nudged && std::fabs(*nudged - value) <=
                             kCorpusConditionTolerance * std::max(1.0, std::fabs(value));
    }

    std::string Integer(bool nonZero)
    {
        const double r = Real();
        const int n = r < 0.55 ? Int(nonZero ? 1 : 0, 12) : r < 0.85 ? Int(1, 99) : Int(1, 999);
        return std::to_string(n);
    }

    /// Never zero: the fraction has at least one non-zero digit.
    std::string Decimal()
    {
        static constexpr std::array<int, 12> kWholes = {0, 0, 1, 2, 3, 5, 7, 10, 12, 25, 42, 99};
        static constexpr std::array<int, 5> kDigits = {1, 1, 2, 2, 3};
        const int whole = Pick(kWholes);
        const int digits = Pick(kDigits);
        const int fraction = Int(1, digits == 1 ? 9 : digits == 2 ? 99 : 999);
        char text[32];
        std::snprintf(text, sizeof text, "%d.%0*d", whole, digits, fraction);
        return text;
    }

    std::string Literal(bool nonZero = false)
    {
        return Real() < 0.6 ? Integer(nonZero) : Decimal();
    }

    /// item { op item } of about target characters inside depth open parentheses.
    std::string Chain(int depth, int target)
    {
        std::string text = Item(depth, ItemTarget(target), false);
        while (static_cast<int>(text.size()) < target) {
            const double r = Real();
            const char op = r < 0.30 ? '+' : r < 0.55 ? '-' : r < 0.85 ? '*' : '/';
            const int remaining = target - static_cast<int>(text.size());
            text += op;
            text += op == '/' ? Literal(true) : Item(depth, ItemTarget(remaining), op == '-');
        }
        return text;
    }

    int ItemTarget(int remaining)
    {
        return remaining <= 6 ? remaining : Int(3, std::max(3, std::min(remaining, 90)));
    }

    /// A literal, a parenthesised chain or a call, now and then negated; a negation right after
    /// a binary minus is parenthesised ("2--3" is a decrement in bc).
    std::string Item(int depth, int target, bool afterMinus)
    {
        bool negate = Real() < 0.10;
        bool wrap = negate && afterMinus;
        if (wrap) {
            if (depth >= kCorpusMaxDepth) {
                negate = wrap = false;
            }
            else {
                ++depth;
                target -= 3;
            }
        }
        const double r = Real();
        const bool canNest = depth < kCorpusMaxDepth && target >= 8;
        std::string text;
        if (!canNest || r < 0.40)
            text = Literal();
        else if (r < 0.62)
            text = "(" + Chain(depth + 1, target - 2) + ")";
        else
            text = Function(depth, target);
        if (negate)
            text = "-" + text;
        if (wrap)
            text = "(" + text + ")";
        return text;
    }

    std::string Function(int depth, int target)
    {
        const std::string name(Pick(kCorpusFunctions));
        const int innerTarget = std::max(3, target - static_cast<int>(name.size()) - 2);
        if (name == "sqrt")
            return Sqrt(depth, innerTarget);
        if (name == "exp" || name == "sin" || name == "cos") {
            const double limit = name == "exp" ? kCorpusExpLimit : kCorpusTrigLimit;
            for (int attempt = 0; attempt < 8; ++attempt) {
                std::string inner = Chain(depth + 1, innerTarget);
                const std::optional<double> value = TCorpusEvaluator::Value(inner);
                if (value && std::fabs(*value) <= limit)
                    return name + "(" + inner + ")";
            }
            return name + "(" + SmallDecimal() + ")";
        }
        return name + "(" + Chain(depth + 1, innerTarget) + ")";
    }

    /// Only of a literal, of something clearly positive, or of an abs.
    std::string Sqrt(int depth, int innerTarget)
    {
        const double r = Real();
        if (r < 0.25 || depth + 2 > kCorpusMaxDepth)
            return "sqrt(" + Literal(true) + ")";
        std::string inner = Chain(depth + 2, std::max(3, innerTarget - 5));
        const std::optional<double> value = TCorpusEvaluator::Value(inner);
        if (r < 0.55 && value && *value > 1e-6)
            return "sqrt(" + inner + ")";
        return "sqrt(abs(" + inner + "))";
    }

    std::string SmallDecimal()
    {
        const int whole = Int(0, 9);
        return std::to_string(whole) + "." + std::to_string(Int(1, 9));
    }

    std::mt19937_64 FRandom;
};

} // namespace calc::bench
