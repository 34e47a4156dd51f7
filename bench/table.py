"""The benchmarks' table: each measurement, its baseline, their ratio and the budget.

    python3 bench/table.py <results.tsv> <machine text> <RESULTS.md to write> [<id prefix>]

results.tsv holds the lines the benchmark programs print:
    result <id> <measured> <baseline> <unit> <runs> [<ratio of paired runs>]
Prints the table, writes it with the machine to the Markdown file, and exits 1 when a
budget is missed or a measurement is missing. With an id prefix, only the rows whose id starts
with it are shown and counted.
"""
import sys

MIB = 1024 * 1024
KIB = 1024

# id, what is measured, what it is measured against, budget: ("max", r) for a ratio that
# must not exceed r, ("speedup", r) for a baseline at least r times slower, ("bytes", n) for
# a measurement of at most n bytes, ("speedup within", r, s) for a baseline at least r times
# slower and a measurement of at most s seconds, ("seconds", s) for one of at most s seconds,
# None: reported for information.
ROWS = [
    ("startup-menu-100-vs-listview", "1. Menu.exe start to first paint of the list, 100 entries, warm icon cache",
     "list view alone, 100 rows", None),
    ("startup-menu-1000-vs-listview", "1. the same, 1,000 entries", "list view alone, 1,000 rows", ("max", 1.10)),
    ("startup-menu-32767-vs-listview", "1. the same, 32,767 entries", "list view alone, 32,767 rows", ("max", 1.15)),
    ("startup-menu-100", "1. for information: Menu.exe, 100 entries, against the floor", "floor", None),
    ("startup-menu-1000", "1. for information: the same, 1,000 entries (once held to 1.3x)", "floor", None),
    ("startup-menu-32767", "1. for information: the same, 32,767 entries (once held to 1.6x)", "floor", None),
    ("startup-listview-1000", "1. for information: an owner-data list view alone (same manifest), 1,000 rows",
     "floor", None),
    ("startup-plainlistview-1000", "1. for information: the same list view without a manifest", "floor", None),
    ("icons-1000", "2. icon pass, 1,000 entries, from imagelist.dat", "full rebuild", ("speedup", 50)),
    ("icons-edit-1000", "2. icons after one edit (Add), 1,000 entries", "full rebuild", ("speedup within", 25, 0.2)),
    ("loadlist", "3. LoadList, 32,767 entries (native)", "reading the same bytes", ("max", 2.5)),
    ("savelist", "3. SaveList, 32,767 entries (native)", "writing the same bytes, flushed", ("max", 2.5)),
    ("memory-menu-32767", "4. Menu.exe peak working set, 32,767 entries and icons (x86-64 build)", "floor",
     ("bytes", 90 * MIB)),
    ("pagefile-menu-32767", "4. Menu.exe private memory then (PeakPagefileUsage; under Wine not a peak)",
     "floor", None),
    ("holders-50000", "5. look-up of what keeps the stick in use, 50,000 handles in the system (x86-64 build)",
     "reading the handle table alone", ("seconds", 0.3)),
    ("size-Menu", "4. Menu.exe, 32-bit release (build/win32/bin)", None, ("bytes", 450 * KIB)),
    ("size-Remove", "4. Remove.exe, 32-bit release (build/win32/bin)", None, ("bytes", 200 * KIB)),
]


def budget_amount(limit):
    return "%g MiB" % (limit / MIB) if limit >= MIB else "%g KiB" % (limit / KIB)


def amount(value, unit):
    if unit == "s":
        return "%.1f ms" % (value * 1000)
    if value >= 1024 * 1024:
        return "%.1f MiB" % (value / 1024 / 1024)
    return "%.1f KiB" % (value / 1024)


def main(path, machine, out_path, prefix=""):
    found = {}
    for line in open(path):
        fields = line.rstrip("\n").split("\t")
        if fields[0] == "result" and len(fields) >= 6:
            found[fields[1]] = fields
    lines = ["| benchmark | measured (median) | baseline (median) | ratio | budget | met |",
             "|---|---|---|---|---|---|"]
    missed = 0
    budgets = 0
    for key, what, against, budget in [row for row in ROWS if row[0].startswith(prefix)]:
        budgets += 1 if budget else 0
        if key not in found:
            lines.append("| %s | not measured | | | %s | no |" % (what, "" if budget else "reported"))
            missed += 1
            continue
        _, _, measured, baseline, unit, runs = found[key][:6]
        measured, baseline, runs = float(measured), float(baseline), int(runs)
        runs_text = ", %d runs" % runs if runs > 1 else ""
        paired = float(found[key][6]) if len(found[key]) > 6 and found[key][6] else None
        if against is None:
            base_text = ratio_text = ""
        else:
            base_text = "%s %s%s" % (against, amount(baseline, unit), runs_text)
            if budget and budget[0].startswith("speedup"):
                ratio_text = "%.1fx faster" % (baseline / measured)
            else:
                ratio_text = "%.2fx" % (paired if paired is not None else measured / baseline)
        if not budget:
            ok, budget_text = True, "reported"
        elif budget[0] == "speedup":
            ok, budget_text = baseline / measured >= budget[1], "at least %gx faster" % budget[1]
        elif budget[0] == "speedup within":
            ok = baseline / measured >= budget[1] and measured <= budget[2]
            budget_text = "at most %s, at least %gx faster" % (amount(budget[2], unit), budget[1])
        elif budget[0] == "seconds":
            ok, budget_text = measured <= budget[1], "at most %g ms" % (budget[1] * 1000)
        elif budget[0] == "bytes":
            ok, budget_text = measured <= budget[1], "at most %s" % budget_amount(budget[1])
        else:
            ratio = paired if paired is not None else measured / baseline
            ok, budget_text = ratio <= budget[1], "at most %gx" % budget[1]
        verdict = ("yes" if ok else "**no**") if budget else ""
        missed += 0 if ok else 1
        lines.append("| %s | %s | %s | %s | %s | %s |" % (what, amount(measured, unit), base_text, ratio_text,
                                                          budget_text, verdict))
    lines.append("")
    lines.append("Start-up, LoadList, SaveList and memory give the median of each run's ratio to the baseline run "
                 "paired with it, which need not equal the ratio of the two medians beside it; the icon pass gives the "
                 "ratio of its medians. The peak working set and the sizes have budgets of their own in bytes; their "
                 "ratio to the floor is for information.")
    table = "\n".join(lines)
    print(table)
    print("\nbudgets missed: %d (of %d)" % (missed, budgets))
    with open(out_path, "w") as out:
        out.write("# Benchmark results\n\nTaken with `./bench/run.sh` on:\n\n%s\n\n%s\n" % (machine, table))
    print("written to %s" % out_path)
    return 1 if missed else 0


if __name__ == "__main__":
    if len(sys.argv) not in (4, 5):
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
