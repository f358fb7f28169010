# Debian's source packages fetched and unpacked through an apt configuration
# of our own under $cache/apt (a deb-src list made from the machine's Debian
# archives, its own state and cache folders), so the machine's apt setup is
# never changed. Sourced by the scripts that build Debian's libraries
# themselves; they set `cache` and define `say` first.

# The source package and version of an installed binary package.
source_of() {
  local binary=$1 fields
  fields=$(dpkg-query -W -f='${source:Package} ${source:Version}' "$binary" 2>/dev/null) || {
    say "$binary is not installed; run scripts/install-deps first"
    exit 1
  }
  echo "$fields"
}

apt_dir=$cache/apt
apt_opts=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State=$apt_dir/state"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=root"
  -o "Debug::NoLocking=true"
)

# Debian's archives as the machine reaches them (its mirror, its suites),
# read off apt-cache policy so that either format of sources is understood.
write_source_list() {
  local keyring=/usr/share/keyrings/debian-archive-keyring.gpg signed=""
  [ -r "$keyring" ] && signed="[signed-by=$keyring] "
  apt-cache policy | awk -v signed="$signed" '
    /^ *[0-9]+ [a-z]+:\/\/[^ ]+ [^ ]+\/[^ ]+ [^ ]+ Packages$/ {
      split($3, where, "/"); uri = $2; suite = where[1]; component = where[2]; next
    }
    /^ +release / && uri != "" {
      if ($0 ~ /o=Debian[,]/ && !seen[uri " " suite " " component]++)
        print (suite ~ /-/ ? 1 : 0) "\tdeb-src " signed uri " " suite " " component
      uri = ""
    }' | sort -s -k1,1n | cut -f2- >"$apt_dir/sources.list.new"
  if [ ! -s "$apt_dir/sources.list.new" ]; then
    say "apt knows no Debian archive on this machine; cannot fetch sources"
    exit 1
  fi
  mv "$apt_dir/sources.list.new" "$apt_dir/sources.list"
}

apt_ready=false
prepare_apt() {
  $apt_ready && return
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/state/lists/partial" "$apt_dir/cache/archives/partial"
  write_source_list
  say "reading the source indexes (apt-get update into $apt_dir)"
  apt-get "${apt_opts[@]}" -qq update
  apt_ready=true
}

# The versions to try, best first: the native one, or, when the archive has
# moved on from it (a security update), the Debian revisions of the same
# upstream release, newest first (a mirror may lack the newest's files).
candidate_versions() {
  local source=$1 version=$2 upstream=$3 versions
  versions=$(apt-cache "${apt_opts[@]}" showsrc "$source" 2>/dev/null | awk '/^Version: / { print $2 }')
  if grep -qxF "$version" <<<"$versions"; then
    echo "$version"
  else
    grep -F "$upstream-" <<<"$versions" | sort -rV || true
  fi
}

# Unpacks SOURCE at VERSION's release (patches applied) into $folder; the
# Debian revision that was fetched is kept in $folder/.unpacked.
fetch_source() {
  local source=$1 version=$2 candidate fetched=""
  local upstream=${version#*:}
  upstream=${upstream%-*}
  folder=$cache/src/$source-$upstream
  if [ ! -f "$folder/.unpacked" ]; then
    prepare_apt
    rm -rf "$folder"
    for candidate in $(candidate_versions "$source" "$version" "$upstream"); do
      [ "$candidate" = "$version" ] || say "$source $version is gone from the archive; trying $candidate"
      rm -rf "$cache/src/download" && mkdir -p "$cache/src/download"
      say "apt-get source $source=$candidate"
      if (cd "$cache/src/download" &&
          apt-get "${apt_opts[@]}" -qq source "$source=$candidate" >/dev/null 2>"$cache/src/fetch.log"); then
        fetched=$candidate
        break
      fi
      say "$source $candidate cannot be fetched: $(grep -m 1 '^E:' "$cache/src/fetch.log" | cut -c4-)"
    done
    [ -n "$fetched" ] || { say "no source of $source $upstream could be fetched"; exit 1; }
    mv "$cache/src/download/$source-$upstream" "$folder"
    rm -rf "$cache/src/download"
    echo "$fetched" >"$folder/.unpacked"
  fi
}
