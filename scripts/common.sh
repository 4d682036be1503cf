# Sourced by the scripts beside it, after each has set `usage` (its usage text, the first line
# "usage: scripts/NAME ..."): how a script answers its arguments, how it tells the steps it takes,
# and the runtime folder its programs get.

script_name="scripts/$(basename "$0")"

# The usage on standard output and an end with code 0: what --help and -h ask for.
show_help() {
  printf '%s\n' "$usage"
  exit 0
}

# A one-line error naming what was wrong, the usage, and an end with code 2, before any work.
usage_error() {
  echo "$script_name: $1" >&2
  printf '%s\n' "$usage" >&2
  exit 2
}

# For a script that takes no arguments.
no_arguments() {
  for argument in "$@"; do
    case "$argument" in
      -h | --help) show_help ;;
      *) usage_error "unknown argument: $argument" ;;
    esac
  done
}

# run_step TITLE LOG COMMAND...: says what is being done, adds the command's output to LOG (showing
# how far a build has come, from its "[n/N]" lines) and, when it fails, says which step failed, shows
# the end of LOG and ends the script.
run_step() {
  local title=$1 log=$2 line shown=-1 tenth
  shift 2
  echo "$title (output in $log)"
  # Under pipefail the command's failure is the pipeline's; taking it keeps errexit from ending here.
  local status=0
  "$@" < /dev/null 2>&1 | while IFS= read -r line; do
    printf '%s\n' "$line" >> "$log"
    if [[ $line =~ ^\[([0-9]+)/([0-9]+)\] ]]; then
      tenth=$((BASH_REMATCH[1] * 10 / BASH_REMATCH[2]))
      if ((tenth != shown)); then
        shown=$tenth
        echo "  $((tenth * 10))% (${BASH_REMATCH[1]} of ${BASH_REMATCH[2]})"
      fi
    fi
  done || status=$?
  if [ "$status" != 0 ]; then
    echo "$script_name: $title failed; the end of $log:" >&2
    tail -n 25 "$log" >&2
    if grep -q 'Could not get lock' "$log"; then
      echo "$script_name: another program is installing packages and holds apt's lock: run this again once it has ended." >&2
    fi
    exit 1
  fi
}

# install_missing LOG PACKAGE...: installs the Debian packages that are not installed yet, as a step.
install_missing() {
  local log=$1 package missing=() sudo=""
  shift
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2> /dev/null | grep -q 'install ok installed' || missing+=("$package")
  done
  ((${#missing[@]})) || return 0
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  # A lock held for a moment by another installation is waited for rather than failed on.
  run_step "Installing packages: ${missing[*]}" "$log" \
    sh -c "$sudo apt-get -o DPkg::Lock::Timeout=120 update -qq &&
           DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=120 install -y -qq \
             --no-install-recommends ${missing[*]}"
}

# Qt warns on every start without a runtime folder: the programs a script starts get one of the user's
# own, kept to the user as Qt asks. A folder serves only as the programs would take it for their lock, a
# real folder of this user that no one else may enter (made so where it is missing): the session's own,
# else /tmp/stylara-<uid>; any local user could have made that name first, so otherwise a fresh folder
# of this run's own serves. The lock a script looks for is then the one the programs take.
private_folder() {
  mkdir -m 700 "$1" 2> /dev/null || true
  [ -d "$1" ] && [ ! -L "$1" ] && [ -O "$1" ] && (((8#$(stat -c %a "$1") & 8#77) == 0))
}

runtime_folder() {
  if [ -z "${XDG_RUNTIME_DIR:-}" ] || ! private_folder "$XDG_RUNTIME_DIR"; then
    local folder=/tmp/stylara-$(id -u)
    private_folder "$folder" || folder=$(mktemp -d /tmp/stylara-run.XXXXXX)
    export XDG_RUNTIME_DIR=$folder
  fi
}

# Answers --help and -h, and refuses, before anything is set up, an argument that is not one of the
# ctest options for choosing and running tests that the script passes on, and a value that ctest would
# take silently as something else (ctest itself would take an unknown word, or -j abc, and run every
# test).
check_ctest_arguments() {
  local valued=" -C --build-config -j --parallel -R --tests-regex -E --exclude-regex -L --label-regex -LE
    --label-exclude -I --tests-information -O --output-log --output-junit --repeat --repeat-until-fail --timeout
    --stop-time --test-load --max-width -FA --fixture-exclude-any -FS --fixture-exclude-setup -FC
    --fixture-exclude-cleanup --resource-spec-file "
  local flags=" -N --show-only -V --verbose -VV --extra-verbose -Q --quiet --output-on-failure --rerun-failed
    --stop-on-failure --schedule-random --progress --print-labels -U --union -F --debug "
  local arguments=("$@") i=0 argument
  for argument in "$@"; do
    case "$argument" in -h | --help) show_help ;; esac
  done
  while ((i < ${#arguments[@]})); do
    argument=${arguments[i]}
    if [[ "$valued" == *" $argument"[[:space:]]* ]]; then
      ((i + 1 < ${#arguments[@]})) || usage_error "$argument needs a value"
      check_ctest_value "$argument" "${arguments[i + 1]}"
      i=$((i + 2))
    elif [[ "$argument" =~ ^-j(.+)$ ]]; then
      check_ctest_value -j "${BASH_REMATCH[1]}"
      i=$((i + 1))
    elif [[ "$flags" == *" $argument"[[:space:]]* || "$argument" =~ ^--no-tests=(error|ignore)$ ||
      "$argument" =~ ^--show-only=json-v1$ ]]; then
      i=$((i + 1))
    else
      usage_error "not a ctest option for choosing or running tests: $argument"
    fi
  done
}

# check_ctest_value OPTION VALUE: refuses a value of the form that ctest does not take for OPTION.
check_ctest_value() {
  local count='^[1-9][0-9]*$' what="" pattern=""
  case "$1" in
    -j | --parallel | --repeat-until-fail | --max-width | --test-load) pattern=$count what="a number from 1 up" ;;
    --repeat) pattern='^(until-fail|until-pass|after-timeout):[1-9][0-9]*$' what="until-fail:N, until-pass:N or after-timeout:N" ;;
    --timeout) pattern='^[0-9]+(\.[0-9]+)?$' what="a number of seconds" ;;
    --stop-time) pattern='^[0-9]{1,2}:[0-9]{2}(:[0-9]{2})?( [A-Za-z0-9:+-]+)?$' what="a time of day, HH:MM:SS" ;;
    -I | --tests-information) [ -f "$2" ] || pattern='^[0-9]*(,[0-9]*)*$' what="Start,End,Stride,test#,... or a file" ;;
    --resource-spec-file) [ -f "$2" ] || usage_error "$1 names no file: $2" ;;
  esac
  [ -z "$pattern" ] || [[ "$2" =~ $pattern ]] || usage_error "$1 takes $what, not: $2"
}

# The number of compile jobs the build scripts pass on, refused by its name when it is not a number of
# jobs (cmake would fail on it deep in the build, without naming it).
check_build_jobs() {
  [[ -z "${STYLARA_BUILD_JOBS:-}" || "$STYLARA_BUILD_JOBS" =~ ^[1-9][0-9]*$ ]] ||
    usage_error "STYLARA_BUILD_JOBS is '$STYLARA_BUILD_JOBS', not a number of jobs from 1 up"
}
