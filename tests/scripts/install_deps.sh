#!/usr/bin/env bash
# scripts/install-deps given several sets, as `--list` shows them (nothing is
# installed): the sets' names together, each once, in one order however the
# sets are named; a set named twice the same as once; an unknown option
# refused with the usage.
# Usage: install_deps.sh SOURCE_DIR
set -euo pipefail
[ $# -eq 1 ] || { echo "usage: $0 SOURCE_DIR" >&2; exit 2; }
install_deps=$1/scripts/install-deps

fail() { echo "FAIL [install_deps]: $*" >&2; exit 1; }

# same WHAT EXPECTED ACTUAL: fails with both lists side by side unless equal.
same() {
    [ "$2" = "$3" ] || fail "$1:"$'\n'"$(diff <(echo "$2") <(echo "$3") || true)"
}

tests=$("$install_deps" --list --test)

# Two sets: the first's names, then the second's not among them. A system
# that has no browser set (Ubuntu) refuses it whatever comes with it.
if web=$("$install_deps" --list --web); then
    union=$(printf '%s\n%s\n' "$tests" "$web" | awk '!seen[$0]++')
    same "--test --web against the two lists joined" "$union" "$("$install_deps" --list --test --web)"
    same "--web --test against the two lists joined" "$union" "$("$install_deps" --list --web --test)"
else
    ! "$install_deps" --list --test --web >/dev/null || fail "--test --web listed what --web refuses"
fi

same "--test named twice against once" "$tests" "$("$install_deps" --list --test --test)"

# Refused before anything is listed or installed, the usage on stderr.
status=0
err=$("$install_deps" --list --test --no-such-set 2>&1 >/dev/null) || status=$?
[ "$status" -eq 2 ] || fail "an unknown option exited $status, not 2"
[[ $err == *"unknown option '--no-such-set'"*"Usage: "* ]] || fail "an unknown option said: $err"
