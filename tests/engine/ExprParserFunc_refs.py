#!/usr/bin/env python3
"""Writes ExprParserFunc_refs.inc: reference values of the built-in routines.

Each input is first rounded to the 80-bit format (64-bit significand), the function is
evaluated at 320 bits with mpmath, and the result is rounded to the nearest 80-bit value.
Inputs and results are written as exact hexadecimal literals. List elements are doubles,
as the evaluator hands them over; list statistics are computed exactly with fractions.

Usage: python3 ExprParserFunc_refs.py > ExprParserFunc_refs.inc   (needs python3-mpmath)
"""

from fractions import Fraction

import mpmath
from mpmath import mp, mpf

WORK_PREC = 320
EXT_PREC = 64


def ext(value):
    """Rounds to the nearest value with a 64-bit significand."""
    with mp.workprec(EXT_PREC):
        return +mpf(value)


def hex_literal(value):
    value = ext(value)
    if value == 0:
        return "0.0L"
    sign, man, exp, _ = value._mpf_
    return f"{'-' if sign else ''}0x{man:X}p{exp}L"


def compute(func, *args):
    with mp.workprec(WORK_PREC):
        return func(*[mpf(a) for a in args])


PI = mpmath.pi


def log_base(base, y):
    return mpmath.log(y) / mpmath.log(base)


# name, routine, inputs, reference, allowed units in the last place
ONE_ARG = [
    ("Exp", mpmath.exp, ["-11000", "-100", "-1", "-1e-10", "1e-10", "0.5", "1", "2.5", "10",
                         "100", "11000"], 2),
    ("Lg", mpmath.log10, ["1e-4000", "1e-10", "0.1", "0.5", "0.999", "1.001", "2", "10",
                          "1e100", "1e4000"], 2),
    ("Ln", mpmath.log, ["1e-4000", "1e-10", "0.1", "0.5", "0.999", "1.001", "2", "10",
                        "1e100", "1e4000"], 2),
    ("LnXP1", mpmath.log1p, ["-0.999", "-0.5", "-1e-10", "1e-20", "1e-5", "0.5", "1",
                             "1e10"], 2),
    ("Log2", lambda x: mpmath.log(x, 2), ["1e-4000", "1e-10", "0.1", "0.5", "0.999", "1.001",
                                          "3", "10", "1e100", "1e4000"], 2),
    ("Sqr", lambda x: x * x, ["-3.5", "0.1", "1e100", "1.2345678901234567891"], 1),
    ("Sqrt", mpmath.sqrt, ["1e-4000", "0.5", "2", "3", "1e4000"], 1),
    ("Sin", mpmath.sin, ["-2", "1e-10", "0.5", "1", "1.5707963267948966", "3",
                         "3.1415926535897932385", "10", "100", "1e6", "1e18"], 2),
    ("Cos", mpmath.cos, ["-2", "1e-10", "0.5", "1", "1.5707963267948966", "3", "10", "100",
                         "1e6", "1e18"], 2),
    ("Tan", mpmath.tan, ["-2", "1e-10", "0.5", "1", "1.5707963267948966", "3", "10", "100",
                         "1e6", "1e18"], 3),
    ("ArcSin", mpmath.asin, ["-1", "-0.99999", "-0.5", "1e-10", "0.3", "0.7", "0.999999999",
                             "1"], 3),
    ("ArcCos", mpmath.acos, ["-1", "-0.99999", "-0.5", "1e-10", "0.3", "0.7", "0.999999999",
                             "1"], 3),
    ("ArcTan", mpmath.atan, ["-1e10", "-1", "1e-10", "0.5", "1", "3", "1e30"], 2),
    ("Cotan", mpmath.cot, ["-3", "1e-5", "0.5", "1", "2"], 4),
    ("ArcCot", mpmath.acot, ["-2", "-1e-10", "0.5", "1", "1e10"], 3),
    ("Sec", mpmath.sec, ["-3", "1e-5", "0.5", "1", "2"], 3),
    ("ArcSec", mpmath.asec, ["-2", "-1.0001", "1", "1.0000001", "1.5", "1e10", "1e4000"], 4),
    ("Csc", mpmath.csc, ["-3", "1e-5", "0.5", "1", "2"], 3),
    ("ArcCsc", mpmath.acsc, ["-2", "-1.0001", "1", "1.0000001", "1.5", "1e10", "1e4000"], 4),
    ("Cosh", mpmath.cosh, ["-3", "1e-15", "1e-5", "0.5", "1", "5", "20", "100", "11000",
                           "11357"], 3),
    ("ArcCosh", mpmath.acosh, ["1", "1.0000001", "1.5", "2", "10", "1e10", "1e4000"], 3),
    ("Sinh", mpmath.sinh, ["-3", "-1e-10", "1e-15", "1e-5", "0.5", "1", "5", "20", "100",
                           "11000", "11357"], 3),
    ("ArcSinh", mpmath.asinh, ["-1e20", "-1", "-1e-10", "1e-10", "0.5", "2", "1e10",
                               "1e4000"], 3),
    ("Tanh", mpmath.tanh, ["-3", "-1e-10", "1e-15", "1e-5", "0.5", "1", "5", "20", "100",
                           "20000"], 3),
    ("ArcTanh", mpmath.atanh, ["-0.999", "-0.5", "-1e-10", "1e-10", "0.3", "0.9",
                               "0.99999999", "0.9999999999999998"], 3),
    ("CotH", mpmath.coth, ["-3", "1e-10", "0.5", "1", "50", "20000"], 4),
    ("ArcCotH", mpmath.acoth, ["-1e25", "-1.5", "1.0000001", "1.5", "2", "10", "1e10",
                               "1e25"], 4),
    ("SecH", mpmath.sech, ["-3", "0", "0.5", "1", "50", "64", "64.5", "5000"], 4),
    ("ArcSecH", mpmath.asech, ["1e-10", "0.1", "0.5", "0.9", "0.999", "0.9999999999"], 4),
    ("CscH", mpmath.csch, ["-5000", "-70", "-3", "1e-10", "0.5", "1", "50", "64", "5000"], 4),
    ("ArcCscH", mpmath.acsch, ["-1e20", "-2", "1e-3000", "1e-10", "0.5", "1", "1e10"], 4),
    ("DegToRad", lambda x: x * PI / 180, ["-30", "1", "45", "90", "360"], 2),
    ("DegToGrad", lambda x: x * 200 / 180, ["-30", "1", "45", "90", "360"], 3),
    ("RadToDeg", lambda x: x * 180 / PI, ["-0.5", "1", "3.1415926535897932385"], 2),
    ("RadToGrad", lambda x: x * 200 / PI, ["-0.5", "1", "3.1415926535897932385"], 2),
    ("GradToDeg", lambda x: x * 180 / 200, ["-50", "1", "100", "400"], 3),
    ("GradToRad", lambda x: x * PI / 200, ["-50", "1", "100", "400"], 2),
]

TWO_ARG = [
    ("Log", log_base, [("2", "8"), ("10", "1000"), ("3", "81"), ("0.5", "10"),
                       ("7", "1e-5"), ("1e100", "1e-300")], 3),
    ("Power", mpmath.power, [("2", "10"), ("1.5", "-7"), ("-2", "3"), ("10", "0.5"),
                             ("2", "0.1"), ("0.9", "3.5"), ("7", "-1.25")], 6),
    ("Root", lambda x, y: mpmath.power(x, 1 / y), [("27", "3"), ("2", "2"), ("10", "5"),
                                                   ("1e10", "10"), ("0.5", "-3"),
                                                   ("-8", "1")], 6),
]

LISTS = [
    [1.0, 2.0, 3.0, 4.0],
    [0.1, 0.2],
    [2.5],
    [1e10 + 1, 1e10 + 2, 1e10 + 3, 1e10 + 4],
    [-3.25, 1e-300, 7.0, 1e300, -1e300, 0.5],
    [0.1, 0.7, 0.3, 0.9, 0.5, 0.2, 0.4],
]


def stats(values):
    """Exact statistics of doubles; None where the routine has no finite value."""
    xs = [Fraction(v) for v in values]
    n = len(xs)
    total = sum(xs)
    squares = sum(x * x for x in xs)
    mean = total / n
    tv = sum((x - mean) ** 2 for x in xs)

    def root(f):
        with mp.workprec(WORK_PREC):
            return mpmath.sqrt(mpf(f.numerator) / f.denominator)

    def frac(f):
        with mp.workprec(WORK_PREC):
            return mpf(f.numerator) / f.denominator

    result = {
        "MaxValue": frac(max(xs)),
        "MinValue": frac(min(xs)),
        "Mean": frac(mean),
        "Norm": root(squares),
        "PopnStdDev": root(tv / n),
        "PopnVariance": frac(tv / n),
        "Sum": frac(total),
        "SumOfSquares": frac(squares),
        "TotalVariance": frac(tv),
    }
    if n > 1:
        result["StdDev"] = root(tv / (n - 1))
        result["Variance"] = frac(tv / (n - 1))
    return result


def main():
    print("// Generated by ExprParserFunc_refs.py; do not edit by hand.")
    print("// Reference values at 320 bits, rounded to the nearest 80-bit value.")
    print()
    print("const TOneArgRef kOneArgRefs[] = {")
    for name, func, inputs, ulps in ONE_ARG:
        for text in inputs:
            x = ext(text)
            print(f'    {{"{name}({text})", &builtin::{name}, {hex_literal(x)}, '
                  f"{hex_literal(compute(func, x))}, {ulps}}},")
    print("};")
    print()
    print("const TTwoArgRef kTwoArgRefs[] = {")
    for name, func, inputs, ulps in TWO_ARG:
        for xt, yt in inputs:
            x, y = ext(xt), ext(yt)
            print(f'    {{"{name}({xt}, {yt})", &builtin::{name}, {hex_literal(x)}, '
                  f"{hex_literal(y)}, {hex_literal(compute(func, x, y))}, {ulps}}},")
    print("};")
    print()
    print("const TListRef kListRefs[] = {")
    for index, values in enumerate(LISTS):
        elements = ", ".join(v.hex() for v in values)
        for name, ref in stats(values).items():
            print(f'    {{"{name} of list {index}", &builtin::{name}, {{{elements}}}, '
                  f"{hex_literal(ref)}, 2}},")
    print("};")


if __name__ == "__main__":
    main()
