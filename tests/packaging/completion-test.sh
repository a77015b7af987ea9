#!/usr/bin/env bash
# Tab completion as a shell gives it, from the generated completion scripts,
# against the commands the built program's --help lists; and the manual page
# renders without a complaint from groff.
#   completion-test.sh PROGRAM DOCS_FOLDER
set -euo pipefail
program=$1
docs=$2
failures=0

check() { # name expected actual
  if [ "$2" != "$3" ]; then
    printf 'FAIL %s\n  expected: %s\n  actual:   %s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  else
    printf 'ok   %s\n' "$1"
  fi
}

# The commands starting with s, as --help lists them.
expected_s=$("$program" --help | sed -n 's/^  \(s[a-z-]*\).*/\1/p' | sort | tr '\n' ' ')

# A stand-in for the installed program that completion calls for item ids: a
# history listing with an empty-history line a completion must not offer.
stand_in=$(mktemp -d)
trap 'rm -rf "$stand_in"' EXIT
cat >"$stand_in/quillbox" <<'STANDIN'
#!/bin/sh
[ "$1" = list ] || exit 2
echo "3f2c8a10-9d4e-4b7a-8c1f-0a2b3c4d5e6f  * text      Terminal           just now       hello"
echo "3f99aa00-1111-4222-8333-444455556666    url       Firefox            2 minutes ago  https://example.org"
STANDIN
chmod +x "$stand_in/quillbox"

bash_complete() { # the command line up to the cursor, words split by spaces
  PATH="$stand_in:$PATH" bash -c '
    source "$1"; shift
    COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
    _quillbox
    [ ${#COMPREPLY[@]} -eq 0 ] || printf "%s\n" "${COMPREPLY[@]}" | sort | tr "\n" " "' _ "$docs/quillbox.bash" "$@"
}

check "bash: quillbox s<Tab>" "$expected_s" "$(bash_complete quillbox s)"
check "bash: options of list" "--help --json --limit " "$(bash_complete quillbox list --)"
check "bash: kinds after --category" "richText " "$(bash_complete quillbox search x --category r)"
check "bash: item ids for delete" "3f2c8a10-9d4e-4b7a-8c1f-0a2b3c4d5e6f 3f99aa00-1111-4222-8333-444455556666 " \
  "$(bash_complete quillbox delete 3f)"
check "bash: nothing after a count option" "" "$(bash_complete quillbox list --limit '')"

if command -v fish >/dev/null; then
  fish_complete() {
    PATH="$stand_in:$PATH" fish -c 'source $argv[1]; complete -C $argv[2]' "$docs/quillbox.fish" "$1" |
      cut -f1 | sort | tr '\n' ' '
  }
  check "fish: quillbox s<Tab>" "$expected_s" "$(fish_complete 'quillbox s')"
  check "fish: item ids for pin" "3f2c8a10-9d4e-4b7a-8c1f-0a2b3c4d5e6f 3f99aa00-1111-4222-8333-444455556666 " \
    "$(fish_complete 'quillbox pin ')"
fi
if command -v zsh >/dev/null; then
  check "zsh: the script parses" "" "$(zsh -n "$docs/_quillbox" 2>&1)"
fi

check "man: renders without warnings" "" "$(groff -man -ww -z -Tutf8 "$docs/quillbox.1" 2>&1)"

[ "$failures" -eq 0 ]
