# Debian source packages for the Windows builds, sourced by windows-deps.sh and windows-tools.sh.
# A package is unpacked by dpkg-source with Debian's patch series applied, from the newest version
# whose files the archive serves: a security update whose Debian files are missing from the mirror
# gives way to the newest version the main suite serves. Where no version's Debian files can be
# had, the newest upstream tarball is used as it is, and the version note says so.
#
#   resolve_source PACKAGE      downloads into $downloads; sets source_note[PACKAGE]
#   unpack_source PACKAGE DIR   unpacks what resolve_source chose into DIR
#
# Needs: $downloads, say(). The notes ("PACKAGE VERSION, how") go into the build's key, the build
# output and the VERSIONS.txt of the zip.

declare -A source_note source_dsc source_orig

# The source package's versions the archive lists, newest first (dpkg's ordering).
source_versions() {
  local versions=() v i j t
  mapfile -t versions < <(apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u)
  for ((i = 0; i < ${#versions[@]}; i++)); do
    for ((j = i + 1; j < ${#versions[@]}; j++)); do
      if dpkg --compare-versions "${versions[j]}" gt "${versions[i]}"; then
        t=${versions[i]}
        versions[i]=${versions[j]}
        versions[j]=$t
      fi
    done
  done
  printf '%s\n' "${versions[@]}"
}

# The files of PACKAGE=VERSION as apt-get source would fetch them: one name a line.
source_files() {
  apt-get source --print-uris -qq "$1=$2" 2>/dev/null | awk '{print $2}'
}

resolve_source() {
  local p=$1 v newest="" f complete unserved
  local versions=() files=()
  mapfile -t versions < <(source_versions "$p")
  [ ${#versions[@]} -gt 0 ] || {
    say "no source package $p (is deb-src enabled?)"
    exit 1
  }
  newest=${versions[0]}
  for v in "${versions[@]}"; do
    mapfile -t files < <(source_files "$p" "$v")
    complete=true
    for f in "${files[@]}"; do [ -f "$downloads/$f" ] || complete=false; done
    # A version whose files the mirror did not serve is asked for again a day later, not on
    # every run.
    unserved=$downloads/unserved-${p}_${v#*:}
    if ! $complete && [ -z "$(find "$unserved" -mmin -1440 2>/dev/null)" ]; then
      (cd "$downloads" && apt-get source --download-only -qq "$p=$v" >/dev/null 2>&1) || true
      complete=true
      for f in "${files[@]}"; do [ -f "$downloads/$f" ] || complete=false; done
      $complete || touch "$unserved"
    fi
    if $complete; then
      source_dsc[$p]=$downloads/$(printf '%s\n' "${files[@]}" | grep '\.dsc$')
      if [ "$v" = "$newest" ]; then
        source_note[$p]="$p $v, Debian's patches applied"
      else
        source_note[$p]="$p $v, Debian's patches applied ($newest: its Debian files are not served)"
      fi
      return
    fi
  done
  f=$(source_files "$p" "$newest" | grep -E '\.orig\.tar\.[a-z0-9]+$' | head -n 1)
  [ -n "$f" ] && [ -f "$downloads/$f" ] || {
    say "could not fetch the source of $p"
    exit 1
  }
  source_orig[$p]=$downloads/$f
  source_note[$p]="$p $newest, upstream source without Debian's patches (its Debian files are not served)"
}

unpack_source() {
  local p=$1 dir=$2
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  if [ -n "${source_dsc[$p]:-}" ]; then
    dpkg-source --no-check -x "${source_dsc[$p]}" "$dir" >/dev/null || {
      say "dpkg-source could not unpack $p"
      exit 1
    }
  else
    mkdir -p "$dir"
    tar -xf "${source_orig[$p]}" -C "$dir" --strip-components=1
  fi
}
