# Sourced by ./test: installs a build into a temporary DESTDIR and checks the installed tree as
# a user's desktop would meet it.

# check_installed_tree BUILD_DIR: prints one line per failed check; fails when one failed.
check_installed_tree() {
    local build="$ROOT/$1" dest rc=0
    dest="$(mktemp -d)"
    # shellcheck disable=SC2064
    trap "rm -rf '$dest'" RETURN
    if ! DESTDIR="$dest/root" cmake --install "$build" >"$dest/install.log" 2>&1; then
        cat "$dest/install.log"
        echo "FAILED: cmake --install"
        return 1
    fi
    local prefix="$dest/root/usr/local" id=org.zembrical.Calculator
    local home="$dest/home"
    mkdir -p "$home"
    local user=(env -i "HOME=$home" "PATH=/usr/bin:/bin" "LC_ALL=C")

    fail() {
        echo "FAILED: $*"
        rc=1
    }

    desktop-file-validate "$prefix/share/applications/$id.desktop" ||
        fail "desktop entry does not validate"
    appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$dest/as.log" 2>&1 ||
        { cat "$dest/as.log"; fail "metainfo does not validate"; }
    for size in 16 22 24 32 48 64 128 256; do
        [ -s "$prefix/share/icons/hicolor/${size}x$size/apps/$id.png" ] || fail "no $size px icon"
    done
    [ -s "$prefix/share/icons/hicolor/scalable/apps/$id.svg" ] || fail "no scalable icon"

    local cli="$prefix/bin/zembrical-cli"
    "${user[@]}" "$cli" --version | grep -q '^zembrical-cli [0-9]' || fail "zembrical-cli --version"
    [ "$("${user[@]}" "$cli" --porcelain --no-options '2+3' | cut -f1,2)" = "$(printf 'ok\t5')" ] ||
        fail "zembrical-cli does not answer 2+3 with 5"
    # The shipped definitions reach a new user.
    [ "$("${user[@]}" "$cli" --porcelain --no-options 'Hypot(3,4)' | cut -f1,2)" = \
        "$(printf 'ok\t5')" ] || fail "the shipped definitions do not reach a new user"
    [ -f "$home/.local/share/Zembrical Calculator/Definitions/Default.udf" ] ||
        fail "the per-user definitions folder was not made"

    local described
    described="$(env -i "HOME=$home" "PATH=/usr/bin:/bin" LANG=de_DE.UTF-8 QT_QPA_PLATFORM=offscreen \
        ZEMBRICAL_QUIT_AFTER_SHOW=1 ZEMBRICAL_DESCRIBE_WINDOW=1 \
        timeout 60 "$prefix/bin/zembrical" 2>"$dest/window.log")" ||
        { cat "$dest/window.log"; fail "the installed window does not start"; }
    grep -q '^window-icon: 16 22 24 32 48 64 128 256$' <<<"$described" ||
        fail "the window has no icon in every size: $described"
    grep -q '^language: de' <<<"$described" && grep -q '^help: Hilfe$' <<<"$described" ||
        fail "the window is not in German under LANG=de_DE.UTF-8: $described"

    local page
    for page in zembrical zembrical-cli; do
        if ! MANWIDTH=80 man -l "$prefix/share/man/man1/$page.1.gz" >"$dest/man.txt" \
            2>"$dest/man.log" || [ -s "$dest/man.log" ] || ! grep -q "^NAME" "$dest/man.txt"; then
            cat "$dest/man.log"
            fail "manual page $page(1) does not render"
        fi
    done

    local completed
    completed="$(bash -c 'source /usr/share/bash-completion/bash_completion
        source "$1"
        COMP_LINE="zembrical-cli --porc"; COMP_POINT=${#COMP_LINE}
        COMP_WORDS=(zembrical-cli --porc); COMP_CWORD=1
        _zembrical_cli zembrical-cli --porc zembrical-cli
        echo "${COMPREPLY[*]}"' _ "$prefix/share/bash-completion/completions/zembrical-cli")"
    [ "$completed" = "--porcelain" ] || fail "bash completion gives '$completed' for --porc"

    "$build/doc/gen_guide" --check "$prefix/share/zembrical/help/index.html" ||
        fail "the user guide does not list the engine's functions"

    [ "$rc" -eq 0 ] && echo "installed tree: all checks passed"
    return "$rc"
}
