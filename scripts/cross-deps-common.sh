# What the cross builds of the libraries share (scripts/windows-deps.sh and
# scripts/web-deps.sh source this): Debian's source packages of the versions
# the Linux build uses, a prefix per recipe kept in a cache outside the clone
# under a lock, and a build whose chatter goes to a log.
#
# The sourcing script sets label (its name in messages) and sources (the
# name=version of each source package) before calling these.

progress() { echo "$label: $*" >&2; }

sudo=""
need_root() {
  [ "$(id -u)" -eq 0 ] && return 0
  command -v sudo >/dev/null 2>&1 || { progress "need root or sudo to $1"; exit 1; }
  sudo="sudo"
}

source_version() {
  local s
  for s in "${sources[@]}"; do
    [ "${s%%=*}" = "$1" ] && { echo "${s#*=}"; return 0; }
  done
  progress "no installed package is built from the source package $1"
  exit 1
}

# Sets prefix and stamp for the key under cache; when that prefix is already
# built, prints it and exits. Otherwise returns holding the key's lock.
use_cached_prefix() { # cache directory, key
  cache=$1 key=$2
  prefix=$cache/$key
  stamp=$prefix/.solvane-$label.stamp
  if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
  fi
  mkdir -p "$cache"
  exec 9>"$cache/$key.lock"
  flock -n 9 || { progress "waiting for another run building $prefix"; flock 9; }
  # Another run may have finished the same prefix while this one waited.
  if [ -f "$stamp" ]; then
    echo "$prefix"
    exit 0
  fi
}

# Entries of the configured Debian archives that no deb-src entry mirrors yet,
# as "file:N" (N is the stanza of a .sources file or the line of a .list file).
debian_entries_without_sources() {
  local own=$1
  # apt expands these fields, not the shell.
  # shellcheck disable=SC2016
  apt-get indextargets --format \
    '$(TARGET_OF)	$(ORIGIN)	$(SITE)	$(RELEASE)	$(COMPONENT)	$(SOURCESENTRY)' |
    awk -F'\t' -v own="$own" '
      { entry = $6; file = entry; sub(/:[0-9]+$/, "", file); k = $3 " " $4 " " $5 }
      $1 == "deb-src" && file != own { covered[k] = 1 }
      $1 == "deb" && $2 == "Debian" { wanted[k] = entry }
      END { for (k in wanted) if (!(k in covered)) print wanted[k] }' |
    sort -u
}

# The deb-src twin of each entry, keeping its options (Signed-By and the like).
deb_src_for() {
  local entry file n
  for entry in "$@"; do
    file=${entry%:*} n=${entry##*:}
    case "$file" in
      *.sources)
        awk -v want="$n" '
          function flush() {
            if (fields && ++count == want) printf "%s\n", stanza
            stanza = ""; fields = 0
          }
          /^[ \t]*$/ { flush(); next }
          /^#/ { next }
          /^Types:/ { stanza = stanza "Types: deb-src\n"; fields++; next }
          { stanza = stanza $0 "\n"; if ($0 !~ /^[ \t]/) fields++ }
          END { flush() }' "$file" ;;
      *)
        sed -n "${n}s/^\([[:space:]]*\)deb\([[:space:]]\)/\1deb-src\2/p" "$file" ;;
    esac
  done
}

sources_unknown() {
  # grep reads to the end: had it stopped at the first match, apt-cache would
  # die of SIGPIPE and pipefail would call a version that is there missing.
  local s
  for s in "${sources[@]}"; do
    apt-cache showsrc --only-source "${s%%=*}" 2>/dev/null | grep -xF "Version: ${s#*=}" >/dev/null || echo "$s"
  done
}

ensure_deb_src() {
  local own=/etc/apt/sources.list.d/solvane-deb-src.sources entries
  [ -z "$(sources_unknown)" ] && return 0
  mapfile -t entries < <(debian_entries_without_sources "$own")
  if [ ${#entries[@]} -gt 0 ]; then
    need_root "enable Debian source packages in $own"
    progress "enabling Debian source packages in $own"
    deb_src_for "${entries[@]}" | $sudo tee "$own" >/dev/null
  fi
  need_root "run apt-get update"
  $sudo apt-get update -qq >&2
  local unknown
  unknown=$(sources_unknown)
  if [ -n "$unknown" ]; then
    progress "apt offers no source package for: ${unknown//$'\n'/ }"
    exit 1
  fi
}

# Sends every tool's chatter to the key's log from here on (fd 3 is the real
# stdout, for the prefix alone, and fd 4 the real stderr, for progress lines)
# and makes the build's places: work (removed on any exit), downloads, an
# empty partial prefix.
start_build() {
  partial=$prefix.partial
  log=$cache/$key.log
  downloads=$cache/sources
  work=""
  exec 3>&1 4>&2 >"$log" 2>&1
  progress() { echo "$label: $*" >&4; }
  trap finish EXIT
  # Leave through the EXIT trap on a signal too, so the temporary tree goes.
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  work=$(mktemp -d "${TMPDIR:-/tmp}/solvane-$label.XXXXXX")
  mkdir -p "$downloads"
  rm -rf "$partial"
  progress "building into $prefix (log: $log)"
  jobs=$(nproc)
}

finish() {
  local status=$?
  [ -z "$work" ] || rm -rf "$work"
  if [ "$status" -ne 0 ]; then
    echo "$label: failed; the end of $log:" >&4
    tail -n 60 "$log" >&4
  fi
}

unpack() { # source package name, directory to unpack into
  local version
  version=$(source_version "$1")
  (cd "$downloads" && apt-get source --download-only "$1=$version")
  dpkg-source -x "$downloads/${1}_${version#*:}.dsc" "$2"
}
