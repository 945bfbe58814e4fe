#!/usr/bin/env bash
# The shell completions (completions/) against the tool itself: every subcommand and every option
# that `eccrypt SUBCOMMAND --help` lists is offered by the bash, zsh and fish completions, and the
# bash one loads and completes. So an option added to the tool without its completion fails here.
# Usage: completions.sh PATH/TO/eccrypt SCENARIO
set -uo pipefail

bin="$1"
scenario="$2"
completions="$(cd "$(dirname "$0")/../../completions" && pwd)"
# shellcheck source=e2eSupport.sh
source "$(dirname "$0")/e2eSupport.sh"

# The subcommands the top-level help lists, and the long options of one subcommand's help.
subcommands() { "$bin" --help | sed -n '/^Subcommands:/,$p' | sed -n 's/^  \([a-z][a-z0-9]*\) .*/\1/p'; }
long_options() { "$bin" "$1" --help | grep -oE '^ +(-[a-zA-Z],)*--[a-z0-9][-a-z0-9,]*' |
  tr ',' '\n' | grep -oE -- '--[a-z0-9][-a-z0-9]*' | grep -vx -- --help; }

# complete_bash WORDS...: what the bash completion offers for the last word.
complete_bash() {
  bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _eccrypt
           printf "%s\n" "${COMPREPLY[@]}"' _ "$completions/eccrypt.bash" "$@"
}

scenario_completions() {
  local sub option
  [ -n "$(subcommands)" ] && pass || fail "no subcommands read from --help"
  for sub in $(subcommands); do
    for file in eccrypt.bash _eccrypt eccrypt.fish; do
      grep -qw -- "$sub" "$completions/$file" && pass || fail "$file lacks the subcommand $sub"
    done
    [ "$sub" = help ] && continue
    for option in $(long_options "$sub"); do
      grep -qF -- "$option" "$completions/eccrypt.bash" && pass ||
        fail "eccrypt.bash lacks $sub $option"
      grep -qF -- "$option" "$completions/_eccrypt" && pass || fail "_eccrypt lacks $sub $option"
      grep -qF -- "-l ${option#--}" "$completions/eccrypt.fish" && pass ||
        fail "eccrypt.fish lacks $sub $option"
    done
  done

  # bash: loads, completes subcommands, options of the subcommand given, values, files.
  touch report.pdf
  local -a cases=(
    "eccrypt enc|encrypt"
    "eccrypt sign --k|--key"
    "eccrypt verify --al|--allow-v1"
    "eccrypt keygen --format h|hex"
    "eccrypt decrypt --key rep|report.pdf"
    "eccrypt help ver|verify"
  )
  local entry words want
  for entry in "${cases[@]}"; do
    words="${entry%|*}"
    want="${entry#*|}"
    # shellcheck disable=SC2086
    complete_bash $words >got.txt 2>err.txt
    grep -qx -- "$want" got.txt && pass || fail "'$words' did not offer $want: $(cat got.txt err.txt)"
  done

  # zsh and fish: the files parse, and fish completes as bash does.
  if command -v zsh >/dev/null; then
    zsh -n "$completions/_eccrypt" && pass || fail "_eccrypt does not parse"
  fi
  if command -v fish >/dev/null; then
    fish -n "$completions/eccrypt.fish" && pass || fail "eccrypt.fish does not parse"
    fish -c "source '$completions/eccrypt.fish'; complete -C 'eccrypt sign --k'" >got.txt
    grep -q -- "^--key" got.txt && pass || fail "fish did not offer --key: $(cat got.txt)"
  fi
}

"scenario_$scenario"
echo "$scenario: $checks passed, $failures failed"
[ "$failures" -eq 0 ]
