#!/usr/bin/env bash
# Runs every benchmark and prints its figures, headed by the machine they come
# from. Arguments: the Linux build folder, the win32 build folder, and how many
# seconds each of the monitor's two runs takes.
set -euo pipefail
linux=${1:-build/linux}
win32=${2:-build/win32}
seconds=${3:-60}

cpu=$(sed -n 's/^model name\s*: //p' /proc/cpuinfo | head -1)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
system=$(. /etc/os-release && echo "$PRETTY_NAME")
echo "machine: $cpu, $(nproc) cores, $memory, $system, kernel $(uname -r)"
echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"

for bench in text_sort system_runner system_listing app_switch_latency qt_cold_start; do
  printf '\n== bench_%s\n' "$bench"
  "$linux/bench/bench_$bench"
done
printf '\n== bench_app_monitor_cpu\n'
"$linux/bench/bench_app_monitor_cpu" "$seconds"
printf '\n== win32_exe_size\n'
bash "$(dirname "$0")/win32_exe_size.sh" "$win32/app/win32/phpswitch.exe"
