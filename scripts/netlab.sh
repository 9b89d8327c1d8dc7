#!/usr/bin/env bash
# The test LAN: a PC, simulated cameras and a switch, each in its own network
# namespace. Every end host sees only its own veth "eth0" (and the PC "eth1" for
# the second subnet); the switch bridges them. There is no default route and no
# link to the root namespace, so nothing sent inside ever leaves the lab.
#
#   netlab.sh up   [--prefix P] [--cameras N] [--second-subnet M]
#   netlab.sh exec [--prefix P] NAME cmd...     (NAME: pc, sw, cam1, camb1, ...)
#   netlab.sh down [--prefix P]
#   netlab.sh list [--prefix P]
#
# The prefix (default "kl", or $NETLAB_PREFIX) names every namespace "P-...", so
# labs with different prefixes run side by side. Needs root.
set -Eeuo pipefail

readonly NET_A=10.77.0
readonly NET_B=10.78.0
readonly FIRST_CAMERA_HOST=20
readonly MAX_CAMERAS=200
readonly SETTLE_SECONDS=10

die() {
    echo "netlab: $*" >&2
    exit 1
}

usage() {
    grep '^#   netlab.sh' "$0" | sed 's/^#   /usage: /' >&2
    exit 2
}

prefix="${NETLAB_PREFIX:-kl}"
prefix_given=0
[ -n "${NETLAB_PREFIX:-}" ] && prefix_given=1
cameras=1
second=-1 # -1: no second subnet

need_value() {
    [ "$#" -ge 2 ] || die "option $1 needs a value"
}

require_count() { # name value
    [[ $2 =~ ^[0-9]+$ ]] || die "$1 must be a number, got '$2'"
    [ "$2" -le "$MAX_CAMERAS" ] || die "$1 must be at most $MAX_CAMERAS, got $2"
}

# Options may come before or after the command; for exec they end at NAME.
command=""
exec_name=""
exec_argv=()
while [ "$#" -gt 0 ]; do
    case "$1" in
    --prefix)
        need_value "$@"
        prefix="$2"
        prefix_given=1
        shift 2
        ;;
    --cameras)
        need_value "$@"
        cameras="$2"
        shift 2
        ;;
    --second-subnet)
        need_value "$@"
        second="$2"
        shift 2
        ;;
    -h | --help) usage ;;
    -*) die "unknown option '$1'" ;;
    *)
        if [ -z "$command" ]; then
            command="$1"
            shift
        elif [ "$command" = exec ]; then
            exec_name="$1"
            shift
            exec_argv=("$@")
            break
        else
            die "unexpected argument '$1'"
        fi
        ;;
    esac
done

[ -n "$command" ] || usage
# The prefix has no '-', so "P-" never matches another lab's namespaces.
[[ $prefix =~ ^[A-Za-z0-9]{1,10}$ ]] ||
    die "prefix must be 1 to 10 letters or digits, got '$prefix'"
require_count --cameras "$cameras"
[ "$second" = -1 ] || require_count --second-subnet "$second"

require_root() {
    [ "$(id -u)" -eq 0 ] || die "must run as root (network namespaces)"
    command -v ip >/dev/null || die "'ip' (iproute2) not found"
}

lab_namespaces() { # prefix
    local ns
    for ns in $(ip netns list 2>/dev/null | awk '{print $1}' | sort -V); do
        [[ $ns == "$1-"* ]] && echo "$ns"
    done
    return 0
}

all_lab_namespaces() {
    ip netns list 2>/dev/null | awk '{print $1}' |
        grep -E '^[A-Za-z0-9]{1,10}-(pc|sw|cam[0-9]+|camb[0-9]+)$' | sort -V || true
}

# Processes left in a namespace keep its interfaces alive after the name is
# gone, so they are stopped first: politely, then for good. The process that
# asked for the teardown may itself live in the lab (a test that entered the
# PC namespace); it is spared and its namespace goes when it exits.
spared() { # pid: the caller, this script, or what this script runs right now
    local p=$1 stat
    [ "$p" = "$PPID" ] && return 0
    while [ "$p" -gt 1 ]; do
        [ "$p" = "$$" ] && return 0
        stat=$(cat "/proc/$p/stat" 2>/dev/null) || return 1
        stat=${stat##*) } # the command name may hold blanks and parentheses
        p=${stat#* }
        p=${p%% *}
    done
    return 1
}

lab_pids() { # namespace
    local pid
    for pid in $(ip netns pids "$1" 2>/dev/null); do
        spared "$pid" || echo "$pid"
    done
}

stop_processes() { # namespace
    local pids deadline
    mapfile -t pids < <(lab_pids "$1")
    [ "${#pids[@]}" -gt 0 ] || return 0
    kill -TERM "${pids[@]}" 2>/dev/null || true
    deadline=$((SECONDS + 3))
    while [ "$SECONDS" -lt "$deadline" ]; do
        [ -n "$(lab_pids "$1")" ] || return 0
        sleep 0.1
    done
    mapfile -t pids < <(lab_pids "$1")
    [ "${#pids[@]}" -eq 0 ] || kill -KILL "${pids[@]}" 2>/dev/null || true
}

teardown() { # prefix
    local ns left
    for ns in $(lab_namespaces "$1"); do
        stop_processes "$ns"
        ip netns del "$ns" 2>/dev/null || true
    done
    left=$(lab_namespaces "$1")
    [ -z "$left" ] || die "could not remove namespace(s): ${left//$'\n'/ }"
}

ns_name() { echo "$prefix-$1"; }

# Unprivileged low ports and ping are per namespace and harmless here: the
# namespaces are ours and closed.
new_namespace() { # namespace
    ip netns add "$1"
    ip -n "$1" link set lo up
    ip netns exec "$1" sh -c '
        echo 0 >/proc/sys/net/ipv4/ip_unprivileged_port_start
        echo "0 2147483647" >/proc/sys/net/ipv4/ping_group_range'
}

new_bridge() { # switch-namespace bridge
    # Snooping off: the switch floods multicast so mDNS reaches every host.
    ip -n "$1" link add "$2" type bridge stp_state 0 forward_delay 0 mcast_snooping 0
    ip -n "$1" link set "$2" up
}

# Creates the pair directly inside the two namespaces, so the root namespace
# never holds these names and parallel labs cannot collide.
plug() { # host-namespace host-if address switch-namespace port bridge
    local host=$1 hostif=$2 addr=$3 sw=$4 port=$5 bridge=$6
    ip link add "$hostif" netns "$host" type veth peer name "$port" netns "$sw"
    ip -n "$sw" link set "$port" master "$bridge"
    ip -n "$sw" link set "$port" up
    ip -n "$host" addr add "$addr/24" dev "$hostif"
    ip -n "$host" link set "$hostif" up
}

add_camera() { # name address bridge
    local ns sw
    ns=$(ns_name "$1")
    sw=$(ns_name sw)
    new_namespace "$ns"
    plug "$ns" eth0 "$2" "$sw" "$1" "$3"
    ip -n "$ns" route add 224.0.0.0/4 dev eth0
}

# Waits until every end host's link is up and every switch port forwards, so
# the first packet a test sends is not lost to a link still coming up.
wait_settled() {
    local sw ns deadline pending links
    sw=$(ns_name sw)
    deadline=$((SECONDS + SETTLE_SECONDS))
    while :; do
        pending=""
        for ns in $(lab_namespaces "$prefix"); do
            [ "$ns" = "$sw" ] && continue
            links=$(ip -n "$ns" -o link show | grep -E ': eth[0-9]+@' || true)
            if [[ $links != *LOWER_UP* ]] || grep -qv 'LOWER_UP' <<<"$links"; then
                pending="$ns"
                break
            fi
        done
        if [ -z "$pending" ]; then
            links=$(bridge -n "$sw" link show)
            if [ -n "$links" ] && grep -qv 'state forwarding' <<<"$links"; then
                pending="$sw"
            fi
        fi
        [ -n "$pending" ] || return 0
        [ "$SECONDS" -lt "$deadline" ] ||
            die "links in $pending did not come up within ${SETTLE_SECONDS}s"
        sleep 0.05
    done
}

print_summary() {
    local ns
    echo "netlab '$prefix' is up:"
    for ns in $(lab_namespaces "$prefix"); do
        describe "$ns"
    done
}

describe() { # namespace
    local addrs
    if [[ $1 == *-sw ]]; then
        addrs=$(ip -n "$1" -o link show type bridge | awk -F': ' '{print $2}' | tr '\n' ' ')
        printf '  %-12s bridge %s\n' "$1" "$addrs"
    else
        addrs=$(ip -n "$1" -o -4 addr show | awk '$2 != "lo" {printf "%s %s  ", $2, $4}')
        printf '  %-12s %s\n' "$1" "$addrs"
    fi
}

cmd_up() {
    local sw pc k
    require_root
    teardown "$prefix"
    # A half-made lab is removed whichever way up fails.
    up_complete=0
    trap 'echo "netlab: failed: $BASH_COMMAND" >&2' ERR
    trap 'if [ "$up_complete" = 0 ]; then
              echo "netlab: up failed; removing the partial lab" >&2
              teardown "$prefix" || true
          fi' EXIT

    sw=$(ns_name sw)
    pc=$(ns_name pc)
    new_namespace "$sw"
    new_bridge "$sw" br0
    [ "$second" = -1 ] || new_bridge "$sw" br1

    new_namespace "$pc"
    # eth0 first so the PC's interface order is stable.
    plug "$pc" eth0 "$NET_A.1" "$sw" pc0 br0
    [ "$second" = -1 ] || plug "$pc" eth1 "$NET_B.1" "$sw" pc1 br1
    ip -n "$pc" route add 224.0.0.0/4 dev eth0

    for ((k = 1; k <= cameras; k++)); do
        add_camera "cam$k" "$NET_A.$((FIRST_CAMERA_HOST - 1 + k))" br0
    done
    for ((k = 1; k <= second; k++)); do
        add_camera "camb$k" "$NET_B.$((FIRST_CAMERA_HOST - 1 + k))" br1
    done

    wait_settled
    up_complete=1
    trap - ERR
    print_summary
}

cmd_exec() {
    local ns
    require_root
    [ -n "$exec_name" ] || die "exec needs a host name (pc, sw, cam1, camb1, ...)"
    [ "${#exec_argv[@]}" -gt 0 ] || die "exec needs a command to run"
    ns=$(ns_name "$exec_name")
    [[ $'\n'$(lab_namespaces "$prefix")$'\n' == *$'\n'"$ns"$'\n'* ]] ||
        die "no namespace '$ns' (is the lab up?)"
    # ip execs the command itself, so it is the caller's direct child.
    exec ip netns exec "$ns" "${exec_argv[@]}"
}

cmd_down() {
    require_root
    teardown "$prefix"
    echo "netlab '$prefix' is down"
}

cmd_list() {
    local ns
    require_root
    if [ "$prefix_given" = 1 ]; then
        for ns in $(lab_namespaces "$prefix"); do describe "$ns"; done
    else
        for ns in $(all_lab_namespaces); do describe "$ns"; done
    fi
}

case "$command" in
up) cmd_up ;;
exec) cmd_exec ;;
down) cmd_down ;;
list) cmd_list ;;
*) die "unknown command '$command' (up, exec, down, list)" ;;
esac
