# Sourced by scripts/windows.sh: the zip's notices of other people's work. quelmire.exe
# links its libraries and the compiler's runtime in statically and the zip carries an HRTF
# set, so the zip reproduces each one's licence and copyright lines: licenses/<name>.txt,
# copied at build time from the copyright file of Debian's package of it (the sources
# deps.sh fetched, or the toolchain's packages installed here), and THIRD-PARTY.txt, which
# lists them. check_notices fails the zip when quelmire.exe or the zip holds anything of
# others that no notice covers.

# One line a component: its name (licenses/<name>.txt), the licences as its copyright file
# names them (each must be found there; "; " between them), what the zip holds of it
# (static libraries of our prefix by file name, the Debian packages whose files the
# linker read as pkg:<package>, files of the zip by their path there), and where its
# copyright file comes from: src:<source package> (debian/copyright of the source deps.sh
# unpacked) or deb:<package> (/usr/share/doc/<package>/copyright as installed).
third_party=(
  "SDL2|zlib/libpng|libSDL2.a libSDL2main.a|src:libsdl2"
  "libogg|BSD-3-clause|libogg.a|src:libogg"
  "libvorbis|BSD-3-Clause|libvorbis.a libvorbisfile.a|src:libvorbis"
  "zlib|Zlib|libz.a|src:zlib"
  "libmysofa|BSD-3-clause|libmysofa.a|deb:libmysofa1"
  "MIT-KEMAR|mit-kemar|hrtf/default.sofa|deb:libmysofa1"
  "mingw-w64|ZPL-2.1; expat|pkg:mingw-w64-x86-64-dev|deb:mingw-w64-x86-64-dev"
  "gcc-runtime|GCC Runtime Library Exception|pkg:gcc-mingw-w64-x86-64-posix pkg:g++-mingw-w64-x86-64-posix pkg:gcc-mingw-w64-x86-64-posix-runtime|deb:gcc-mingw-w64-x86-64-posix-runtime"
)

# What each component is, for THIRD-PARTY.txt.
declare -A third_party_what=(
  [SDL2]="Simple DirectMedia Layer: the window, keys, mouse, sound output, message boxes"
  [libogg]="the Ogg container of the long sounds"
  [libvorbis]="the Vorbis decoder (libvorbis and libvorbisfile)"
  [zlib]="compression, read by libmysofa"
  [libmysofa]="reads the HRTF set (SOFA files) for --binaural"
  [MIT-KEMAR]="the HRTF set, hrtf/default.sofa: MIT's KEMAR measurements, normal pinna"
  [mingw-w64]="MinGW-w64's C runtime start-up, its import libraries and winpthreads"
  [gcc-runtime]="GCC's runtime libraries: libgcc and libstdc++"
)

# The copyright file of a src:/deb: origin, and the version it belongs to.
notice_file() {
  case $1 in
    src:*) echo "$(source_folder "${1#src:}")/debian/copyright" ;;
    deb:*) echo "/usr/share/doc/${1#deb:}/copyright" ;;
  esac
}
notice_origin() {
  local version
  case $1 in
    src:*)
      version=$(dpkg-parsechangelog -l "$(source_folder "${1#src:}")/debian/changelog" -S Version)
      echo "Debian's source package ${1#src:} $version, debian/copyright"
      ;;
    deb:*)
      version=$(dpkg-query -W -f '${Version}' "${1#deb:}")
      echo "Debian's package ${1#deb:} $version, /usr/share/doc/${1#deb:}/copyright"
      ;;
  esac
}

# The version the zip holds of a component.
component_version() {
  local name=$1 origin=$2 folder
  case $name in
    libmysofa)
      # Built from Debian's upstream tarball (deps.sh says why), not bookworm's package.
      folder=$(source_folder libmysofa)
      echo "${folder##*/libmysofa-}"
      ;;
    MIT-KEMAR) echo "(1994), as libmysofa $(component_version libmysofa "") ships it" ;;
    *)
      case $origin in
        src:*) dpkg-parsechangelog -l "$(source_folder "${origin#src:}")/debian/changelog" -S Version ;;
        deb:*) dpkg-query -W -f '${Version}' "${origin#deb:}" ;;
      esac
      ;;
  esac
}

# The copyright file's paragraphs that name FILE (a DEP-5 "Files:" paragraph and its
# "License:" paragraph), for a data set that shares its package's copyright file.
paragraphs_naming() {
  local copyright=$1 file=$2 licence
  awk -v RS= -v ORS='\n\n' -v file="$file" 'index($0, file)' "$copyright"
  licence=$(awk -v RS= -v file="$file" 'index($0, file)' "$copyright" |
    sed -n 's/^License: *//p' | head -n 1)
  [[ -z $licence ]] ||
    awk -v RS= -v ORS='\n\n' -v l="License: $licence" '$0 ~ "^" l "\n"' "$copyright"
}

# write_notices STAGE: STAGE/licenses/ and STAGE/THIRD-PARTY.txt, CR LF for Notepad.
write_notices() {
  local stage=$1 line name licences claims origin copyright version
  mkdir -p "$stage/licenses"
  local list=$stage/THIRD-PARTY.txt
  {
    echo "Other people's work in this zip"
    echo "==============================="
    echo
    echo "quelmire.exe holds the libraries below, linked into it, and the C and C++ runtime"
    echo "of its compiler; the hrtf folder holds a set of measurements. Each one's licence"
    echo "text and copyright lines are in the licenses folder, as Debian's package of it"
    echo "states them."
    echo
  } >"$list"
  for line in "${third_party[@]}"; do
    IFS='|' read -r name licences claims origin <<<"$line"
    copyright=$(notice_file "$origin")
    version=$(component_version "$name" "$origin")
    if [[ $name == MIT-KEMAR ]]; then
      # libmysofa's copyright file covers the set as share/MIT_KEMAR_normal_pinna.sofa.
      paragraphs_naming "$copyright" MIT_KEMAR_normal_pinna.sofa
    elif [[ $name == libmysofa ]]; then
      cat "$copyright"
      printf '\n\nThe LICENSE file of the source built, libmysofa %s:\n\n' "$version"
      cat "$(source_folder libmysofa)/LICENSE"
    else
      cat "$copyright"
    fi | sed 's/$/\r/' >"$stage/licenses/$name.txt"
    {
      echo "$name $version"
      echo "  ${third_party_what[$name]}"
      echo "  licence: ${licences//; / and }; licenses\\$name.txt has them in full"
      echo "  from $(notice_origin "$origin")"
      echo
    } >>"$list"
  done
  {
    echo "Citing the HRTF set"
    echo "-------------------"
    echo "Its makers ask to be cited wherever it is used. The set is"
    echo "  Bill Gardner and Keith Martin, \"HRTF Measurements of a KEMAR Dummy-Head"
    echo "  Microphone\", MIT Media Lab Perceptual Computing Technical Report #280, 1994;"
    echo "  W. G. Gardner and K. D. Martin, \"HRTF measurements of a KEMAR\", J. Acoust."
    echo "  Soc. Am. 97 (6), 3907-3908, 1995."
  } >>"$list"
  sed -i 's/$/\r/' "$list"
}

# check_notices STAGE MAP: every file the linker read for quelmire.exe (MAP, its map) from
# outside the project's build, and every file of the zip that is not the game's own, is
# held by a component whose notice is in STAGE/licenses/, naming its licences.
check_notices() {
  local stage=$1 map=$2 failed=0 line name licences claims origin claim licence
  declare -A owner=()
  for line in "${third_party[@]}"; do
    IFS='|' read -r name licences claims origin <<<"$line"
    for claim in $claims; do owner[$claim]=$name; done
    local notice=$stage/licenses/$name.txt
    if ! grep -qi 'copyright' "$notice" 2>/dev/null; then
      echo "windows: $name has no notice with its copyright lines in licenses/" >&2
      failed=1
      continue
    fi
    while IFS= read -r licence; do
      if ! grep -qiF "$licence" "$notice"; then
        echo "windows: licenses/$name.txt does not name its licence, $licence" >&2
        failed=1
      fi
    done < <(sed 's/; /\n/g' <<<"$licences")
  done
  if [[ ! -s $map ]]; then
    echo "windows: no linker map $map: what quelmire.exe holds is unknown" >&2
    return 1
  fi
  # The linker's inputs: relative ones are the project's (the build folder is the
  # linker's working folder); the rest are a library of our prefix, by its file name, or
  # a file of a Debian package, by the package's name.
  local input package claimed=()
  while IFS= read -r input; do
    [[ $input == /* ]] || continue
    input=$(realpath -m "$input")
    if [[ $input == "$out"/* ]]; then
      continue
    elif [[ $input == "$prefix"/* ]]; then
      claimed+=("${input##*/}")
    else
      package=$(dpkg -S "$input" 2>/dev/null | head -n 1 | cut -d: -f1 | cut -d, -f1) || true
      claimed+=("${package:+pkg:$package}")
      [[ -n $package ]] || claimed+=("$input")
    fi
  done < <(sed -n 's/^LOAD //p' "$map" | sort -u)
  # The zip's files besides the game's own: the program, its sounds, its texts.
  local file
  while IFS= read -r file; do
    case $file in
      quelmire.exe | README.txt | THIRD-PARTY.txt | assets/* | licenses/*) ;;
      *) claimed+=("$file") ;;
    esac
  done < <(cd "$stage" && find . -type f | sed 's|^\./||')
  while IFS= read -r claim; do
    [[ -n $claim && -z ${owner[$claim]:-} ]] || continue
    case $claim in
      pkg:*) echo "windows: quelmire.exe links files of Debian's ${claim#pkg:}, which no notice covers" ;;
      *.a | /*) echo "windows: quelmire.exe links $claim, which no notice covers" ;;
      *) echo "windows: the zip holds $claim, which no notice covers" ;;
    esac >&2
    failed=1
  done < <(printf '%s\n' "${claimed[@]}" | sort -u)
  if ((failed != 0)); then
    echo "windows: add the notices to third_party in scripts/windows/notices.sh" >&2
    return 1
  fi
  echo "== windows: the zip carries the notice of each of its ${#third_party[@]} parts by others"
}
