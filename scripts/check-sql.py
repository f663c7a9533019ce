#!/usr/bin/env python3
"""Fails when a statement in src/ joins anything but fixed text into SQL.

A statement holding SQL text may join (with + or .arg) only: string literals,
numbers, Id(...)/IdList(...) (quoted identifiers), named constants kName, and
local names assigned from one of those in the same file. Values go in as bound
parameters. A line may carry "// fixed SQL:" with a reason when the joined text
is a fixed clause from a table in the code.
"""
import pathlib
import re
import sys

SQL = re.compile(r'^\s*(SELECT|INSERT|UPDATE|DELETE|CREATE|DROP|ALTER|PRAGMA|VACUUM|ATTACH|DETACH|REPLACE)\b'
                 r'|\b(WHERE|FROM|SET|VALUES|ORDER BY|LIMIT|LIKE)\b')
STRING = re.compile(r'(?:u8|u|L)?"(?:[^"\\\n]|\\.)*"')


def strip_comments(text):
    text = re.sub(r'/\*.*?\*/', lambda m: '\n' * m.group(0).count('\n'), text, flags=re.S)
    return re.sub(r'//(?!\s*fixed SQL:).*', '', text)


TOKEN = re.compile(r'\s*(?:(?P<str>(?:u8|u|L)?"(?:[^"\\\n]|\\.)*"|\'(?:[^\'\\\n]|\\.)*\')|(?P<num>\d[\w.]*)'
                   r'|(?P<id>[A-Za-z_]\w*(?:::[A-Za-z_]\w*)*)|(?P<op>->|::|\+\+|--|\+=|<<|[^\s\w]))')


def tokens(text):
    out, i = [], 0
    while i < len(text):
        m = TOKEN.match(text, i)
        if not m or m.end() == i:
            break
        out.append(m.group(m.lastgroup))
        i = m.end()
    return out


CLOSE = {'(': ')', '[': ']', '{': '}'}


def skip_group(toks, i):
    """Index after the bracket group opening at i."""
    depth = 0
    for j in range(i, len(toks)):
        if toks[j] in CLOSE:
            depth += 1
        elif toks[j] in (')', ']', '}'):
            depth -= 1
            if depth == 0:
                return j + 1
    return len(toks)


def operand_right(toks, i):
    """The postfix expression starting at token i, as a token list."""
    j = i
    if j < len(toks) and toks[j] in CLOSE:
        j = skip_group(toks, j)
    elif j < len(toks):
        j += 1
    while j < len(toks):
        if toks[j] in ('(', '['):
            j = skip_group(toks, j)
        elif toks[j] in ('.', '->') and j + 1 < len(toks):
            j += 2
        else:
            break
    return toks[i:j]


def operand_left(toks, i):
    """The postfix expression ending just before token i."""
    j = i
    while j > 0:
        t = toks[j - 1]
        if t in (')', ']'):
            depth = 0
            while j > 0:
                j -= 1
                depth += {')': 1, ']': 1, '(': -1, '[': -1}.get(toks[j], 0)
                if depth == 0:
                    break
            continue
        if t[0].isalnum() or t[0] in '_"\'' or t.startswith(('u"', 'u8"', 'L"')):
            j -= 1
            if j > 0 and toks[j - 1] in ('.', '->'):
                j -= 1
                continue
            break
        break
    return toks[j:i]


def args_of(toks, i):
    """Top-level arguments of the call whose '(' is at i."""
    end = skip_group(toks, i)
    args, depth, cur = [], 0, []
    for t in toks[i + 1:end - 1]:
        if t in CLOSE:
            depth += 1
        elif t in (')', ']', '}'):
            depth -= 1
        if depth == 0 and t == ',':
            args.append(cur)
            cur = []
        else:
            cur.append(t)
    if cur:
        args.append(cur)
    return args


def is_literal(t):
    return t[0] in '"\'' or t.startswith(('u"', 'u8"', 'L"')) or t[0].isdigit()


def fixed_names(text):
    """Local names only ever given fixed text or quoted identifiers in this file."""
    toks = tokens(text)
    good, bad = set(), set()
    for i, t in enumerate(toks[:-1]):
        if toks[i + 1] in ('=', '+=', '<<', '{') and re.fullmatch(r'[A-Za-z_]\w*', t):
            rhs = []
            for u in toks[i + (1 if toks[i + 1] == '{' else 2):]:
                if u == ';':
                    break
                rhs.append(u)
            (good if rhs and expression_safe(rhs) else bad).add(t)
    return good - bad


def expression_safe(toks, names=frozenset()):
    """A right-hand side: safe operands joined by + (or listed), or a choice between them."""
    if toks and toks[0] == '{' and skip_group(toks, 0) == len(toks):
        toks = toks[1:-1]
    depth, q, colon = 0, None, None
    for k, t in enumerate(toks):
        depth += 1 if t in CLOSE else -1 if t in (')', ']', '}') else 0
        if depth == 0 and t == '?' and q is None:
            q = k
        elif depth == 0 and t == ':' and q is not None:
            colon = k
    if q is not None and colon is not None:
        return expression_safe(toks[q + 1:colon], names) and expression_safe(toks[colon + 1:], names)
    i = 0
    while i < len(toks):
        op = operand_right(toks, i)
        if not op or not operand_safe(op, names):
            return False
        i += len(op)
        if i < len(toks) and toks[i] not in ('+', '<<', ','):
            return False
        i += 1
    return True


def operand_safe(op, names):
    if not op:
        return True
    while op and op[0] == '(' and skip_group(op, 0) == len(op):
        op = op[1:-1]
    if all(is_literal(t) for t in op):
        return True
    head = op[0].split('::')[-1]
    if head in ('Id', 'IdList'):
        return True
    if head in ('QStringLiteral', 'QLatin1String', 'QLatin1Char', 'QChar', 'QString') and len(op) >= 3:
        k = 2
        while k < len(op) and is_literal(op[k]):
            k += 1
        return k < len(op) and op[k] == ')' and (k + 1 == len(op) or op[k + 1] == '.')
    if head.endswith('Sql') and len(op) > 1 and op[1] == '(':
        return True  # builds SQL text itself, checked where it does
    if re.fullmatch(r'k[A-Z]\w*', head):
        return True
    if head in names and (len(op) == 1 or op[1] in ('.',)):
        return True
    return False


def joined_operands(toks):
    ops = []
    for i, t in enumerate(toks):
        if t == '+' or t == '+=':
            if t == '+':
                ops.append(operand_left(toks, i))
            ops.append(operand_right(toks, i + 1))
        elif t == 'arg' and i > 0 and toks[i - 1] == '.' and i + 1 < len(toks) and toks[i + 1] == '(':
            receiver = operand_left(toks, i - 1)
            if any(is_literal(u) and SQL.search(u.strip('"')) for u in receiver) or not any(map(is_literal, receiver)):
                ops += args_of(toks, i + 1)
    return ops


def check(path):
    raw = path.read_text(encoding='utf-8')
    text = strip_comments(raw)
    names = fixed_names(text)
    faults = []
    line = 1
    for stmt in re.split(r'(?<=;)', text):
        first = line
        line += stmt.count('\n')
        if 'fixed SQL:' in stmt:
            continue
        sql = next((m for m in STRING.finditer(stmt) if SQL.search(m.group(0).strip('"'))), None)
        if sql is None:
            continue
        start = first + stmt.count('\n', 0, sql.start())
        toks = tokens(stmt)
        # Values inside a braced list are bound, not joined.
        i, kept = 0, []
        while i < len(toks):
            if toks[i] == '{' and i > 0 and toks[i - 1] in (',', '(', '='):
                i = skip_group(toks, i)
                continue
            kept.append(toks[i])
            i += 1
        bad = [' '.join(op) for op in joined_operands(kept) if not expression_safe(op, names)]
        if bad:
            faults.append(f'{path}:{start}: joins {"; ".join(bad)} into SQL')
    return faults


def self_test(path):
    """The lines marked "pasted" in a sample file are exactly those found."""
    lines = path.read_text(encoding='utf-8').splitlines()
    want = {i + 1 for i, l in enumerate(lines) if l.rstrip().endswith('// pasted')}
    got = {int(f.split(':')[1]) for f in check(path)}
    for n in sorted(want - got):
        print(f'{path}:{n}: not found')
    for n in sorted(got - want):
        print(f'{path}:{n}: found but fixed')
    return 0 if want == got and want else 1


def main():
    if len(sys.argv) == 3 and sys.argv[1] == '--samples':
        return self_test(pathlib.Path(sys.argv[2]))
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent / 'src')
    faults = [f for p in sorted(root.rglob('*.cpp')) for f in check(p)]
    faults += [f for p in sorted(root.rglob('*.h')) for f in check(p)]
    for f in faults:
        print(f)
    if faults:
        print(f'{len(faults)} statement(s) join a value into SQL: bind it with ? or quote a name with Id().')
        return 1
    return 0


if __name__ == '__main__':
    sys.exit(main())
