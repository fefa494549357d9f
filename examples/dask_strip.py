#!/usr/bin/env python3
"""Strips metadata from every JPEG under the folders given, in place, on a
Dask cluster: a local one of N worker processes, or a running one named with
--scheduler (or DASK_SCHEDULER_ADDRESS), whose workers must see the same
folders under the same paths and have the module `velmora` installed.

    dask_strip.py [--workers N] [--scheduler tcp://host:8786] FOLDER...

Each file is replaced as the program replaces it (a crash leaves it wholly
old or wholly new). Prints a summary; the exit status is 1 when some file was
not written (not a JPEG, damaged, unreadable...), 0 otherwise."""
import argparse
import collections
import os
import sys
import time

JPEG_ENDINGS = (".jpg", ".jpeg", ".jpe", ".jfif")


def photos_under(folders):
    for folder in folders:
        for parent, _, names in os.walk(folder):
            for name in sorted(names):
                if name.lower().endswith(JPEG_ENDINGS):
                    yield os.path.join(parent, name)


def strip_partition(paths, options):
    """Runs on a worker: one record per file."""
    import velmora  # imported on the worker, not shipped with the task

    records = []
    for path in paths:
        size = os.path.getsize(path) if os.path.exists(path) else 0
        done = velmora.strip_file(path, **options)
        records.append({"path": path, "outcome": done.outcome, "ok": done.ok,
                        "reason": done.reason, "bytes_in": size,
                        "removed": sum(s.length for s in done.removed)})
    return records


def client_for(args):
    from dask.distributed import Client, LocalCluster

    address = args.scheduler or os.environ.get("DASK_SCHEDULER_ADDRESS")
    if address:
        return Client(address), None
    cluster = LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                           dashboard_address=None)
    return Client(cluster), cluster


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("folders", nargs="+", metavar="FOLDER")
    parser.add_argument("--workers", type=int, default=os.cpu_count() or 1,
                        help="worker processes of the local cluster (default: one per core)")
    parser.add_argument("--scheduler", help="address of a running Dask scheduler")
    parser.add_argument("--partition-size", type=int, default=64, help="files per task")
    parser.add_argument("--no-comment", action="store_true", help="write no comment segment")
    args = parser.parse_args(argv)
    if args.workers < 1:
        parser.error("--workers must be at least 1")
    import dask.bag as db

    paths = list(photos_under(args.folders))
    options = {"write_comment": not args.no_comment}
    client, cluster = client_for(args)
    try:
        started = time.monotonic()
        bag = db.from_sequence(paths, partition_size=max(1, args.partition_size))
        records = bag.map_partitions(strip_partition, options).compute() if paths else []
        seconds = time.monotonic() - started
    finally:
        client.close()
        if cluster is not None:
            cluster.close()

    outcomes = collections.Counter(r["outcome"] for r in records)
    bytes_in = sum(r["bytes_in"] for r in records)
    removed = sum(r["removed"] for r in records if r["outcome"] == "written")
    print("%d files, %.1f MB in %.2f s (%.0f files/s, %.1f MB/s)"
          % (len(records), bytes_in / 1e6, seconds, len(records) / max(seconds, 1e-9),
             bytes_in / 1e6 / max(seconds, 1e-9)))
    for outcome, count in sorted(outcomes.items()):
        print("  %-26s %d" % (outcome, count))
    print("  metadata removed: %.1f MB" % (removed / 1e6))
    failed = [r for r in records if not r["ok"]]
    for r in failed[:20]:
        print("not written: %s: %s" % (r["path"], r["reason"] or r["outcome"]), file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
