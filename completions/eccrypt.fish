# fish completion for eccrypt: subcommands, their options, and file names where a file is named.
# Installed as share/fish/vendor_completions.d/eccrypt.fish.

set -l subcommands keygen pubkey passwd encrypt decrypt sign verify inspect demo help
complete -c eccrypt -f
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -l help -d 'Print help'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -l version -d 'Print the version'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a keygen -d 'Make a key pair'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a pubkey -d 'Print the public key of a key file'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a passwd -d 'Change the pass phrase of a key file'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a encrypt -d 'Encrypt a file for recipients'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a decrypt -d 'Decrypt a file'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a sign -d 'Sign a file'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a verify -d 'Check a signature on a file'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a inspect -d 'Tell what a file is'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a demo -d 'Show the whole system at work'
complete -c eccrypt -n "not __fish_seen_subcommand_from $subcommands" -a help -d 'Print the help of a subcommand'
complete -c eccrypt -n "__fish_seen_subcommand_from help" -a "$subcommands"

# Files as operands wherever a subcommand reads one.
complete -c eccrypt -n "__fish_seen_subcommand_from pubkey passwd encrypt decrypt sign verify inspect" -F

complete -c eccrypt -n "__fish_seen_subcommand_from $subcommands" -s h -l help -d 'Print help'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen" -s o -l output -r -F -d 'Secret-key file to write'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen" -l format -x -a "hex base64" -d 'Text form of keys'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen pubkey passwd decrypt sign" -l passphrase-file -r -F -d 'Read the pass phrase from a file'
complete -c eccrypt -n "__fish_seen_subcommand_from passwd" -l new-passphrase-file -r -F -d 'Read the new pass phrase from a file'
complete -c eccrypt -n "__fish_seen_subcommand_from passwd" -l protect -d 'Protect a key file in clear'
complete -c eccrypt -n "__fish_seen_subcommand_from pubkey" -l id -d 'Print the key id'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen" -l unprotected -d 'Write the secret-key file in clear'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen" -l from-passphrase -d 'Derive the key pair from the pass phrase'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen" -l random -d 'Draw a strong pass phrase'
complete -c eccrypt -n "__fish_seen_subcommand_from keygen encrypt decrypt sign" -l force -d 'Replace an existing output file'
complete -c eccrypt -n "__fish_seen_subcommand_from encrypt decrypt" -l sync -d 'Flush the output file to disk before naming it'
complete -c eccrypt -n "__fish_seen_subcommand_from encrypt" -s r -l to -l recipient -r -F -d "A recipient's public key"
complete -c eccrypt -n "__fish_seen_subcommand_from encrypt" -s R -l recipients-file -r -F -d 'A file of public keys'
complete -c eccrypt -n "__fish_seen_subcommand_from encrypt" -s a -l armor -l armour -d 'Write PEM-style text'
complete -c eccrypt -n "__fish_seen_subcommand_from encrypt decrypt sign" -s o -l output -r -F -d 'File to write'
complete -c eccrypt -n "__fish_seen_subcommand_from decrypt sign" -l key -r -F -d 'Secret-key file'
complete -c eccrypt -n "__fish_seen_subcommand_from sign" -s c -l comment -x -d 'Trusted comment'
complete -c eccrypt -n "__fish_seen_subcommand_from sign" -l untrusted-comment -x -d 'Untrusted comment'
complete -c eccrypt -n "__fish_seen_subcommand_from sign" -l bare -d 'Write the signature text alone'
complete -c eccrypt -n "__fish_seen_subcommand_from sign verify" -l sha1 -d 'SHA-1 digest (bare signatures)'
complete -c eccrypt -n "__fish_seen_subcommand_from verify" -l key -r -F -d 'Public key: text or file'
complete -c eccrypt -n "__fish_seen_subcommand_from verify" -l signature -r -F -d 'Signature file or text'
complete -c eccrypt -n "__fish_seen_subcommand_from verify" -s q -l quiet -d 'Exit status only'
complete -c eccrypt -n "__fish_seen_subcommand_from verify" -l allow-v1 -d 'Accept a version 1 signature file'
complete -c eccrypt -n "__fish_seen_subcommand_from demo" -l keep -d 'Keep the working directory'
