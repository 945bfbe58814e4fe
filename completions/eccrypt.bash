# bash completion for eccrypt: subcommands, their options, and file names where a file is named.
# Installed as share/bash-completion/completions/eccrypt; to try it: source completions/eccrypt.bash

_eccrypt() {
  local cur="${COMP_WORDS[COMP_CWORD]}" prev="${COMP_WORDS[COMP_CWORD - 1]}"
  local subcommands="keygen pubkey passwd encrypt decrypt sign verify inspect demo help"
  local sub="" i
  for ((i = 1; i < COMP_CWORD; i++)); do
    case "${COMP_WORDS[i]}" in
      -*) ;;
      *) sub="${COMP_WORDS[i]}"; break ;;
    esac
  done
  if [ -z "$sub" ]; then
    mapfile -t COMPREPLY < <(compgen -W "$subcommands --help --version" -- "$cur")
    return
  fi

  # Option arguments: a text form, free text, or a file.
  case "$prev" in
    --format)
      mapfile -t COMPREPLY < <(compgen -W "hex base64" -- "$cur")
      return ;;
    -c | --comment | --untrusted-comment)
      return ;;
    -o | --output | --key | --passphrase-file | --new-passphrase-file | -r | --to | \
      --recipient | -R | --recipients-file | --signature)
      compopt -o filenames 2>/dev/null
      mapfile -t COMPREPLY < <(compgen -f -- "$cur")
      return ;;
  esac

  local options
  case "$sub" in
    keygen) options="--help --output --format --passphrase-file --unprotected --from-passphrase --random --force" ;;
    pubkey) options="--help --passphrase-file --id" ;;
    passwd) options="--help --passphrase-file --new-passphrase-file --protect" ;;
    encrypt) options="--help --to --recipient --recipients-file --armor --armour --output --force --sync" ;;
    decrypt) options="--help --key --passphrase-file --output --force --sync" ;;
    sign) options="--help --key --passphrase-file --output --force --comment --untrusted-comment --bare --sha1" ;;
    verify) options="--help --key --signature --quiet --sha1 --allow-v1" ;;
    inspect) options="--help" ;;
    demo) options="--help --keep" ;;
    help)
      mapfile -t COMPREPLY < <(compgen -W "$subcommands" -- "$cur")
      return ;;
    *) return ;;
  esac
  if [[ "$cur" == -* ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  else
    compopt -o filenames 2>/dev/null
    mapfile -t COMPREPLY < <(compgen -f -- "$cur")
  fi
}
complete -F _eccrypt eccrypt
