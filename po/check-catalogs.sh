#!/bin/sh
# Fails when a marked text of the program (Tx("...") in src/) has no
# translation in a catalog, or when a translation's %s arguments differ from
# its English text's. Usage: check-catalogs.sh <source root> <work folder>
set -eu
root=$1
work=$2
mkdir -p "$work"
cd "$root"
# The texts as the program marks them, with the format flag where they hold %s.
find src -name '*.h' -o -name '*.cpp' | LC_ALL=C sort >"$work/sources"
xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=Tx \
  --omit-header --no-location -f "$work/sources" -o "$work/velmora.pot"
for po in po/*.po; do
  language=$(basename "$po" .po)
  # Every text of the program has a translation (missing and empty ones fail).
  msgcmp "$po" "$work/velmora.pot"
  # The program's format flags applied to the catalog, then the arguments
  # checked; a translation whose arguments differ comes out of the merge marked
  # fuzzy, which the check must not skip.
  msgmerge --quiet --no-fuzzy-matching -o "$work/$language.po" "$po" "$work/velmora.pot"
  msgfmt --check --use-fuzzy -o /dev/null "$work/$language.po"
  msgfmt --check -o /dev/null "$po"
done
