#!/usr/bin/env python3
"""Checks that docs/glossary.md explains every transliterated name of the headers.

Every identifier of src/**/*.h (comments and strings left out) is cut into its
words (camel case, underscores). A word is English when it occurs in lower case
in the English prose of the project: the comments of src/ and the pages of
docs/ and README.md. An identifier with a word that is not English is taken for
a transliterated one:
  - a type (class, struct, enum, using) must have a line of its own, its name in
    backticks in the first column of a glossary table;
  - any other name (member, function, constant) is covered by such a line, or
    when each of its non-English words is a word of the glossary tables.
Prints what is missing and exits 1 when anything is; -v lists every name.
"""
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
IDENT = re.compile(r"[A-Za-z_][A-Za-z0-9_]*")
WORD = re.compile(r"[A-Z]+(?![a-z])|[A-Z]?[a-z]+|[0-9]+")
TYPE_DECL = re.compile(r"^\s*(?:template\s*<[^>]*>\s*)?(?:class|struct|enum(?:\s+class)?|using)\s+"
                       r"(?:\[\[[^\]]*\]\]\s*)?([A-Za-z_][A-Za-z0-9_]*)", re.M)
# Single letters that mark kinds of names in this code (TClass, ARecord,
# FField, LList, kConstant, mArray, IInterface, EError) and C++ words.
PREFIXES = {"t", "a", "f", "l", "k", "m", "i", "e", "v", "s", "p", "x", "y", "n", "b", "c", "d",
            "g", "h", "j", "o", "q", "r", "u", "w", "z"}
# English words and programming abbreviations that the prose happens not to use.
ENGLISH = set("""beats surely silence resume swept bests relaxed multimap recalculate polish patience dense minute spare sparse computing generate notes pad preselection proposed account align bg br card detached href center al ext months starter refs qs answering argv coding declined emplace resolve saturday searching send touching tuple untrusted qv qh dn la btn excluded explain explanations param score tick token activ radio rgb refill delta initial toggle openers dismiss deferred clear max parse select combo seek movable color utf spec my uint st ds var
ull si pos female erase cp edit boolean trim showcase obj inner ensure doc department usage url typed
subb sport smallint russian prefix paste prior prog proc nil mes ident id iid eof exam convert boss
anti adopt yrs view validate unquote unplayed unordered uintmax synchronise surnames surname str
steady sink shuffle sender scratch salt runtime rnd restricted restore reserve require replay
renumber relayout refresh ref recompute push ptrdiff ptr plug pick percent patronymics patronymic
par origin numeric mv mutex mtime msec mon mk memcpy jthread json iso io invocable inode initializer
filesystem fd examiner enabled dotted device deque cvref cursor collect clamp chrono capture attach
assistant args ar apply app abbreviation abandon xl wrappers update unsettled underline un technical
sunday strike specs service scripted recovery recount printer preselect partial paradox overflow
optimize notify newer nointerface msg modified modal mem locate lecture insert inactive ignore
high guid graphic fmt fill execute english economy disagrees desc deny dec cyrillic currency
creatable console cmd charset chars bull bind binary bcd ascii arm arg deadline temp rec del dlg
sec mim tk ti tn td ts tr sf sh hd ns nd lv lt ls ln lk li lg lf dg bb bh mg wd fp fn fm ff
hy verbatim sp ss sss tg te tl le lz lp ed ce bf dm pg nn yn inf ole acquire dir space ms reload spin
actions forwarding impl joinable listen clicked minus plus requested reject watched gui pane terminate
timer strep directory literal refusing restart""".split())
CXX = set("""alignas alignof and asm auto bool break case catch char char8_t char16_t char32_t
class const consteval constexpr constinit const_cast continue co_await co_return co_yield decltype
default delete do double dynamic_cast else enum explicit export extern false final float for friend
goto if inline int long mutable namespace new noexcept not nullptr operator or override private
protected public register reinterpret_cast requires return short signed sizeof static
static_assert static_cast struct switch template this thread_local throw true try typedef typeid
typename union unsigned using virtual void volatile wchar_t while include pragma once define
ifdef ifndef endif nodiscard maybe_unused""".split())


def strip_code(text):
    """Comments and string literals removed; returns (code, comments)."""
    out, comments = [], []
    i, n = 0, len(text)
    while i < n:
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
            comments.append(text[i:j])
            i = j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
            comments.append(text[i:j])
            i = j
        elif text[i] == '"' or (text[i] == "'" and not text[i - 1:i].isalnum()):
            q = text[i]
            j = i + 1
            while j < n and text[j] != q:
                j += 2 if text[j] == "\\" else 1
            i = j + 1
        else:
            out.append(text[i])
            i += 1
    return "".join(out), comments


def english_words():
    words = set()
    prose = []
    for path in list((ROOT / "src").rglob("*.h")) + list((ROOT / "src").rglob("*.cpp")):
        prose += strip_code(path.read_text(encoding="utf-8"))[1]
    for path in list((ROOT / "docs").glob("*.md")) + [ROOT / "README.md"]:
        if path.name != "glossary.md" and path.exists():
            # Names in backticks are code, not prose.
            prose.append(re.sub(r"`[^`]*`", " ", path.read_text(encoding="utf-8")))
    for text in prose:
        text = re.sub(r"`[^`]*`", " ", text)
        for w in re.findall(r"(?<![A-Za-z_])[a-z]{2,}(?![A-Za-z_0-9])", text):
            words.add(w)
    return words


def glossary():
    """Names with a line of their own; the words of the word tables, and those of
    them that come from Russian (tables with a Russian column)."""
    names, words, russianWords = set(), set(), set()
    russian = False
    for line in (ROOT / "docs" / "glossary.md").read_text(encoding="utf-8").splitlines():
        if not line.startswith("|") or line.startswith("|---"):
            russian = russian and line.startswith("|")
            continue
        cells = [c.strip() for c in line.split("|")[1:-1]]
        if cells[:1] in (["Word"], ["Name"]):
            russian = len(cells) > 1 and cells[1] == "Russian"
            continue
        first = line.split("|")[1]
        for name in re.findall(r"`([A-Za-z_][A-Za-z0-9_]*)`", first):
            names.add(name)
        for part in re.split(r"[,/ ]+", re.sub(r"`[^`]*`|\([^)]*\)", " ", first)):
            part = part.strip().rstrip(".")
            if re.fullmatch(r"[A-Za-z][A-Za-z0-9]*", part):
                words.add(part.lower())
                if russian:
                    russianWords.add(part.lower())
    return names, words, russianWords


def main():
    verbose = "-v" in sys.argv
    names, gwords, russianWords = glossary()
    # A word from Russian is transliterated even where the prose happens to use it.
    english = english_words() - russianWords
    types, idents = set(), set()
    for path in sorted((ROOT / "src").rglob("*.h")):
        code = strip_code(path.read_text(encoding="utf-8"))[0]
        code = re.sub(r"^\s*#\s*include.*$", "", code, flags=re.M)
        types |= set(TYPE_DECL.findall(code))
        idents |= set(IDENT.findall(code))
    idents -= CXX

    def foreign(name):
        parts = [w for w in WORD.findall(name) if not w.isdigit()]
        return [w for w in parts if w.lower() not in english and w.lower() not in PREFIXES
                and w.lower() not in CXX and w.lower() not in ENGLISH]

    checked = sorted(idents | types)
    translit = [n for n in checked if foreign(n)]
    missing_types = [n for n in sorted(types) if n in translit and n not in names]
    missing = []
    for n in translit:
        if n in types or n in names:
            continue
        lacking = [w for w in foreign(n) if w.lower() not in gwords]
        if lacking:
            missing.append((n, lacking))
    print(f"{len(checked)} names of the headers checked, {len(translit)} taken for "
          f"transliterated ({len([n for n in translit if n in types])} types)")
    if verbose:
        for n in translit:
            print(f"  {n}: {' '.join(foreign(n))}")
    for n in missing_types:
        print(f"type without a glossary line: {n}")
    for n, lacking in missing:
        print(f"name with words not in the glossary: {n} ({', '.join(lacking)})")
    return 1 if missing_types or missing else 0


if __name__ == "__main__":
    sys.exit(main())
