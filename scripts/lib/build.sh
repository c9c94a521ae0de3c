# SPDX-License-Identifier: MIT
# Sourced by the scripts: configures (once) and builds a build tree.

# alerts_build DIR [cmake args...]
# Configures DIR with Ninja when it is new, or when cmake arguments are given
# (they then update its cache), and builds it. A new tree defaults to Debug.
# ALERTS_BUILD_NICE: the compilers' niceness (scripts/test lowers it so that the
# end-to-end walks running beside a build keep their pace).
alerts_build() {
    local dir=${1:?alerts_build: build directory expected}
    shift
    local src
    src=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd) || return 1
    local jobs=${ALERTS_JOBS:-2}
    if [[ ! -f $dir/build.ninja ]]; then
        local -a defaults=()
        [[ " $* " == *" -DCMAKE_BUILD_TYPE="* ]] || defaults=(-DCMAKE_BUILD_TYPE=Debug)
        cmake -S "$src" -B "$dir" -G Ninja "${defaults[@]}" "$@" || return 1
    elif (($#)); then
        cmake -S "$src" -B "$dir" "$@" || return 1
    fi
    nice -n "${ALERTS_BUILD_NICE:-0}" ninja -C "$dir" -j "$jobs"
}
