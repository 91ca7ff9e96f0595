#!/usr/bin/env bash
# Writes the translation template of both programs' texts to $1 (default po/zorvelcal.pot), or
# with --check, compares a fresh template with the checked-in one and fails when a text is new,
# changed or gone (a text that only moved does not count). The header's creation date is left out, so the template changes only with the
# texts.
set -euo pipefail
cd "$(dirname "$0")/.."
check=0
if [ "${1:-}" = --check ]; then check=1; shift; fi
out=${1:-po/zorvelcal.pot}
command -v xgettext >/dev/null || { echo "xgettext is not installed (scripts/setup.sh installs gettext)"; exit 77; }
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
find calendar installer common -name '*.cpp' -o -name '*.h' | LC_ALL=C sort |
  xgettext --from-code=UTF-8 --language=C++ --keyword=_ --keyword=N_ --keyword=wxTRANSLATE \
    --keyword=wxPLURAL:1,2 --keyword=wxGETTEXT_IN_CONTEXT:1c,2 --add-comments=TRANSLATORS: \
    --sort-by-file --package-name=zorvelcal --msgid-bugs-address=zorvelcal@ombrix.invalid --files-from=- -o - |
  sed -e '/^"POT-Creation-Date:/d' -e 's/^"Content-Type: text\/plain; charset=CHARSET/"Content-Type: text\/plain; charset=UTF-8/' >"$tmp"
if ((check)); then
  # Where a text stands may move without the texts changing: the references are not compared.
  diff -u <(grep -v '^#:' "$out") <(grep -v '^#:' "$tmp") || { echo "$out is not current: run scripts/make-pot.sh and update the catalogs (msgmerge)"; exit 1; }
else
  cp "$tmp" "$out"
fi
