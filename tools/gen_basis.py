#!/usr/bin/env python3
"""Writes ECCrypt/fast/basisTables.h: the change of basis between the reference representation
of GF(2^255) and the polynomial basis GF(2)[t]/(t^255 + t^52 + 1), and the curve constants in
the polynomial basis.

The reference writes an element as 17 units of GF(2^15) = GF(2)[y]/(y^15 + y + 1) over
x^17 + x^3 + 1; bit 15*i + j of its integer form is the coefficient of y^j x^i. The isomorphism
sends y to a root eta of y^15 + y + 1 and x to a root xi of X^17 + X^3 + 1 in the new field, so
reference bit 15*i + j maps to eta^j * xi^i. Both polynomials are irreducible over GF(2); their
roots lie in the subfields GF(2^15) and GF(2^17). Each root is found deterministically:
  1. beta := the trace of t^k down to the subfield, for the first k = 1, 2, ... that gives an
     element generating the whole subfield;
  2. m := the minimal polynomial of beta over GF(2), the product of (Y - beta^(2^i));
  3. z := the smallest root of the target polynomial in the small field GF(2)[Y]/(m), found by
     counting through its elements;
  4. the root is z evaluated at beta.
Every step is checked: t^255 + t^52 + 1 is proved irreducible, both roots satisfy their
polynomials, the two matrices are inverse to each other and the base point lies on the curve.

Standard library only; a Python int is a polynomial over GF(2) (bit i = coefficient of t^i).
Usage: python3 tools/gen_basis.py [--output PATH]   (default: ECCrypt/fast/basisTables.h)
"""

import argparse
import os
import re
import sys

PARAMETERS = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                          "ECCrypt", "params", "curveParameters.h")


def read_parameters(path=PARAMETERS):
    """The named constants of ECCrypt/params/curveParameters.h, the one definition of the field,
    the curve and the base point that the C++ code compiles: whole numbers (written as
    literals, shifts and ors) and arrays of them."""
    text = open(path, encoding="ascii").read()
    values = {}
    for name, expression in re.findall(r"constexpr std::int32_t (\w+) = ([0-9x()<| ]+);", text):
        values[name] = eval(expression, {"__builtins__": {}})  # literals, shifts and ors only
    for name, value in re.findall(r"constexpr int (\w+) = ([0-9]+);", text):
        values[name] = int(value)
    for name, body in re.findall(r"std::array<std::int32_t, \w+> (\w+) = \{(.*?)\};", text, re.S):
        values[name] = [int(d, 16) for d in re.findall(r"0x([0-9A-Fa-f]+)", body)]
    return values


def units_to_integer(units, bits):
    return sum(u << (bits * i) for i, u in enumerate(units))


_P = read_parameters()
UNIT_BITS = _P["UnitBits"]
UNIT_POLY = _P["UnitPolynomial"]  # y^15 + y + 1
UNIT_COUNT = _P["FieldUnits"]
TOWER_POLY = (1 << UNIT_COUNT) | (1 << _P["FieldMiddleExponent"]) | 1  # x^17 + x^3 + 1

DEGREE = UNIT_BITS * UNIT_COUNT
MODULUS = (1 << DEGREE) | (1 << _P["FastMiddleExponent"]) | 1  # t^255 + t^52 + 1
MASK = (1 << DEGREE) - 1

CURVE_B = _P["CurveB"]  # integer form of b in the reference representation
BASE_X = units_to_integer(_P["BaseXUnits"], UNIT_BITS)
BASE_Y = units_to_integer(_P["BaseYUnits"], UNIT_BITS)


# --- Polynomials over GF(2) ---------------------------------------------------------------------

def clmul(a, b):
    """Carry-less product."""
    r = 0
    while b:
        if b & 1:
            r ^= a
        a <<= 1
        b >>= 1
    return r


def poly_mod(a, m):
    dm = m.bit_length() - 1
    while a.bit_length() - 1 >= dm:
        a ^= m << (a.bit_length() - 1 - dm)
    return a


def poly_gcd(a, b):
    while b:
        a, b = b, poly_mod(a, b)
    return a


# --- The field GF(2)[t]/(t^255 + t^52 + 1) ------------------------------------------------------

def reduce(a):
    # t^255 = t^52 + 1: fold everything above bit 254 down until nothing is left there.
    while a >> DEGREE:
        high = a >> DEGREE
        a = (a & MASK) ^ high ^ (high << 52)
    return a


def fmul(a, b):
    return reduce(clmul(a, b))


def fsqr_n(a, n):
    for _ in range(n):
        a = fmul(a, a)
    return a


def fpow(a, e):
    r = 1
    while e:
        if e & 1:
            r = fmul(r, a)
        a = fmul(a, a)
        e >>= 1
    return r


def eval_gf2_poly(p, a):
    """p (a polynomial over GF(2)) evaluated at the field element a, by Horner's rule."""
    r = 0
    for i in range(p.bit_length() - 1, -1, -1):
        r = fmul(r, a) ^ ((p >> i) & 1)
    return r


def prove_irreducible():
    # Rabin's test: f of degree 255 = 3 * 5 * 17 is irreducible when t^(2^255) = t mod f and
    # gcd(t^(2^(255/p)) - t, f) = 1 for each prime p dividing 255.
    t = 2
    assert fsqr_n(t, DEGREE) == t, "t^(2^255) != t"
    for p in (3, 5, 17):
        assert poly_gcd(MODULUS, fsqr_n(t, DEGREE // p) ^ t) == 1, f"gcd condition fails for {p}"


# --- Roots in subfields --------------------------------------------------------------------------

def prime_factors(n):
    out, p = [], 2
    while n > 1:
        if n % p == 0:
            out.append(p)
            while n % p == 0:
                n //= p
        p += 1
    return out


def subfield_generator(d):
    """The first trace Tr_{GF(2^255)/GF(2^d)}(t^k), k = 1, 2, ..., that lies in no smaller
    subfield: its minimal polynomial over GF(2) has degree d."""
    for k in range(1, DEGREE):
        a = fpow(2, k)
        beta = 0
        for _ in range(DEGREE // d):
            beta ^= a
            a = fsqr_n(a, d)
        assert fsqr_n(beta, d) == beta
        if all(fsqr_n(beta, d // p) != beta for p in prime_factors(d)):
            return beta
    raise AssertionError(f"no generator of GF(2^{d}) found")


def minimal_polynomial(beta, d):
    """prod_{i<d} (Y - beta^(2^i)) over the field; its coefficients must be 0 or 1."""
    coeffs = [1]  # coefficient of Y^i at index i
    conj = beta
    for _ in range(d):
        shifted = [0] + coeffs
        for i, c in enumerate(coeffs):
            shifted[i] ^= fmul(c, conj)
        coeffs = shifted
        conj = fmul(conj, conj)
    assert conj == beta
    m = 0
    for i, c in enumerate(coeffs):
        assert c in (0, 1), "minimal polynomial not over GF(2)"
        m |= c << i
    return m


def small_eval(p, z, m):
    """p evaluated at z in GF(2)[Y]/(m)."""
    r = 0
    for i in range(p.bit_length() - 1, -1, -1):
        r = poly_mod(clmul(r, z), m) ^ ((p >> i) & 1)
    return r


def subfield_root(p):
    """A root of the irreducible GF(2)-polynomial p in GF(2)[t]/(f)."""
    d = p.bit_length() - 1
    beta = subfield_generator(d)
    m = minimal_polynomial(beta, d)
    z = next(z for z in range(2, 1 << d) if small_eval(p, z, m) == 0)
    powers, a = [], 1
    for _ in range(d):
        powers.append(a)
        a = fmul(a, beta)
    root = 0
    for j in range(d):
        if (z >> j) & 1:
            root ^= powers[j]
    assert eval_gf2_poly(p, root) == 0, "root does not satisfy its polynomial"
    return root


# --- Linear maps ---------------------------------------------------------------------------------

def apply_columns(columns, v):
    r = 0
    for k, col in enumerate(columns):
        if (v >> k) & 1:
            r ^= col
    return r


def invert_columns(columns):
    """The columns of the inverse of the 255 x 255 bit matrix given by its columns."""
    n = len(columns)
    rows = [(col, 1 << k) for k, col in enumerate(columns)]  # (image, which columns make it)
    for bit in range(n):
        pivot = next(i for i in range(bit, n) if (rows[i][0] >> bit) & 1)
        rows[bit], rows[pivot] = rows[pivot], rows[bit]
        pv, pc = rows[bit]
        for i in range(n):
            if i != bit and (rows[i][0] >> bit) & 1:
                rows[i] = (rows[i][0] ^ pv, rows[i][1] ^ pc)
    assert all(rows[k][0] == 1 << k for k in range(n))
    return [rows[k][1] for k in range(n)]


# --- Output --------------------------------------------------------------------------------------

def words(v):
    return ", ".join(f"0x{(v >> (64 * i)) & ((1 << 64) - 1):016x}" for i in range(4))


def fe_literal(v):
    return "Fe{{" + words(v) + "}}"


def column_array(name, columns):
    # 256 columns, the last one zero: the field's mask application takes all 256 bits of its
    # argument, and a zero column makes bit 255 of an input count for nothing.
    lines = [f"inline constexpr Fe {name}[256] = {{"]
    lines += [f"    {fe_literal(c)}," for c in columns + [0]]
    lines.append("};")
    return "\n".join(lines)


def render():
    prove_irreducible()
    eta = subfield_root(UNIT_POLY)
    xi = subfield_root(TOWER_POLY)

    # Column 15*i + j: eta^j * xi^i.
    forward = []
    xi_power = 1
    for _ in range(UNIT_COUNT):
        a = xi_power
        for _ in range(UNIT_BITS):
            forward.append(a)
            a = fmul(a, eta)
        xi_power = fmul(xi_power, xi)
    inverse = invert_columns(forward)
    for k in range(DEGREE):
        assert apply_columns(inverse, apply_columns(forward, 1 << k)) == 1 << k
        assert apply_columns(forward, apply_columns(inverse, 1 << k)) == 1 << k
    low_bit_row = sum(((inverse[k] & 1) << k) for k in range(DEGREE))

    def to_fe(ref):
        return apply_columns(forward, ref)

    b = to_fe(CURVE_B)
    sqrt_b = fsqr_n(b, DEGREE - 1)
    assert fmul(sqrt_b, sqrt_b) == b
    gx, gy = to_fe(BASE_X), to_fe(BASE_Y)
    assert fmul(gy, gy) ^ fmul(gx, gy) == fmul(fmul(gx, gx), gx) ^ b, "G is not on the curve"
    # b lies in GF(2^15), so the map a -> a^(2^15) fixes it.
    assert fsqr_n(b, UNIT_BITS) == b
    frobenius = [fsqr_n(1 << k, UNIT_BITS) for k in range(DEGREE)]

    out = [
        "// Generated by tools/gen_basis.py; do not edit by hand (CI regenerates and compares).",
        "#pragma once",
        "// The change of basis between the reference representation and Fe, and the curve's",
        "// constants in Fe's basis. Reference bit 15*i + j (the coefficient of y^j x^i) maps to",
        "// kEta^j * kXi^i, where kEta is a root of y^15 + y + 1 and kXi a root of X^17 + X^3 + 1 in",
        "// GF(2)[t]/(t^255 + t^52 + 1). Matrices are stored by columns, column k the image of",
        "// input bit k, in the layout the field's mask application reads (Fe[256], last column",
        "// zero); the columns of the map to the reference basis hold reference bits in Fe's words.",
        '#include "ECCrypt/fast/fe.h"',
        "",
        "namespace eccrypt::fast {",
        "",
        "// clang-format off",
        "// The images of the reference's y and x.",
        f"inline constexpr Fe kEta = {fe_literal(eta)};",
        f"inline constexpr Fe kXi = {fe_literal(xi)};",
        "",
        "// The curve y^2 + xy = x^3 + b: b (reference integer form 161), its square root, and the",
        "// base point G.",
        f"inline constexpr Fe kCurveB = {fe_literal(b)};",
        f"inline constexpr Fe kCurveSqrtB = {fe_literal(sqrt_b)};",
        f"inline constexpr Fe kBaseX = {fe_literal(gx)};",
        f"inline constexpr Fe kBaseY = {fe_literal(gy)};",
        "",
        "// Bit 0 of the reference integer form of a is the parity of (a AND this row).",
        f"inline constexpr Fe kReferenceLowBitRow = {fe_literal(low_bit_row)};",
        "",
        "// Column k: the element whose reference integer form is 2^k.",
        column_array("kFromReferenceColumns", forward),
        "",
        "// Column k: the reference integer form of t^k (word i of the form in w[i]).",
        column_array("kToReferenceColumns", inverse),
        "",
        "// Column k: (t^k)^(2^15), the Frobenius map of GF(2^255) over GF(2^15).",
        column_array("kFrobenius15Columns", frobenius),
        "// clang-format on",
        "",
        "}  // namespace eccrypt::fast",
        "",
    ]
    return "\n".join(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--output", default=os.path.join(root, "ECCrypt/fast/basisTables.h"))
    args = parser.parse_args()
    text = render()
    with open(args.output, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
