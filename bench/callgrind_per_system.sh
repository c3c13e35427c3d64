# Sourced by the instruction-count scripts: instructions per system of one of the bench
# loops under callgrind, as the difference between runs of 2N and N systems (so that start-up
# and drawing the first N cancel). Needs `build` and `n` set.
#   perSystem PROGRAM MODE FAMILY
count() {
  valgrind --tool=callgrind --callgrind-out-file=/dev/null "./$build/bench/$1" "${@:2}" 2>&1 |
    sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
perSystem() {
  local one two
  one=$(count "$1" "$2" "$3" "$n")
  two=$(count "$1" "$2" "$3" $((2 * n)))
  echo $(((two - one) / n))
}
