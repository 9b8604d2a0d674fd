# bash completion for q7310, the service utility for the 7310 Series Amplifier.
# Installed as share/bash-completion/completions/q7310.

_q7310() {
  local cur prev words cword
  _init_completion || return

  local operations="backup update restore verify"
  local standalone="image inspect ports"
  local global_opts="--help --version -V --device --port -p --dir --keep-files --reply-timeout
    --trace --allow-sample --yes --json --quiet -q --verbose -v"

  case $prev in
    --device)
      # Serial devices first, any file as well (pseudo-terminals, symbolic links).
      _filedir
      return
      ;;
    --dir)
      _filedir -d
      return
      ;;
    --trace | --from | --stage)
      _filedir
      return
      ;;
    --sysfs)
      _filedir -d
      return
      ;;
    --port | -p)
      # USB adapters and built-in ports by device; a port number or COMn is typed.
      local devices
      devices=$(compgen -G '/dev/tty[A-Z]*' 2>/dev/null)
      COMPREPLY=($(compgen -W "$devices" -- "$cur"))
      return
      ;;
    --reply-timeout)
      return
      ;;
  esac

  # The first subcommand named decides what else fits.
  local i sub=""
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      backup | update | restore | verify | image | inspect | ports)
        sub=${words[i]}
        break
        ;;
    esac
  done

  case $sub in
    image)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--stage --force --json --help" -- "$cur"))
      else
        _filedir '@(mot|MOT|s19|s28|s37|srec)'
      fi
      return
      ;;
    inspect)
      if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "--json --help" -- "$cur"))
      else
        _filedir '@(BIN|bin)'
      fi
      return
      ;;
    ports)
      COMPREPLY=($(compgen -W "--sysfs --json --help" -- "$cur"))
      return
      ;;
  esac

  if [[ $cur == -* ]]; then
    local opts=$global_opts
    [[ " ${words[*]} " == *" restore "* || " ${words[*]} " == *" verify "* ]] && opts+=" --from"
    COMPREPLY=($(compgen -W "$opts" -- "$cur"))
  elif [[ -n $sub ]]; then
    COMPREPLY=($(compgen -W "$operations" -- "$cur"))
  else
    COMPREPLY=($(compgen -W "$operations $standalone" -- "$cur"))
  fi
} && complete -F _q7310 q7310
