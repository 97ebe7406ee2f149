# The one way the commands' script tests report a case, sourced by each of them: runs the
# command given after the case's name and prints "ok <case>" or "FAIL <case>", counting
# the failures in $failures.
failures=0

check() {
    local name=$1
    shift
    if "$@"; then
        echo "ok $name"
    else
        echo "FAIL $name"
        failures=$((failures + 1))
    fi
}
