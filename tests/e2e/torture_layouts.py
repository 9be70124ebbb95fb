#!/usr/bin/env python3
"""Lays out, fresh, the odd trees of the torture suite (tests/e2e/torture_e2e_test.cpp):

    SANDBOX/torture/<case>/job/    for the job line
    SANDBOX/torture/<case>/main/   for the main-window engine

    tests/e2e/torture_layouts.py SANDBOX [OWNER]

Windows code cannot make links under Wine, nor names holding a backslash, so the host makes them;
every other layout is made here too, so that the host's own removal clears whatever a faulty run
left behind (a thousand nested folders, a name Windows cannot address). Beside each tree lie files
no run may touch (outside/, victim.txt, photos/). One process, no forks: the harness runs this
before every test executable.
"""
import os
import pwd
import shutil
import subprocess
import sys

OLD = 1325376000  # 2012-01-01 00:00:00 UTC


def put(path, text, mtime=None):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text + "\n")
    if mtime is not None:
        os.utime(path, (mtime, mtime))


def same_as(source, path):
    """A copy of the file with its time, as a backup the engines would leave alone."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    shutil.copy2(source, path)


def link(target, path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    os.symlink(target, path)


def folder(path):
    os.makedirs(path, exist_ok=True)


def outside(d):
    put(f"{d}/outside/keep.txt", "keep: lies beside both trees")


# --- roots that lie in each other, for every spelling ----------------------------------------------
# BackupArea is a target; its src\ and inbox\photos\ are sources inside it; src\dst\ is a target
# inside a source.
def nested(d):
    outside(d)
    put(f"{d}/BackupArea/old.txt", "an old file of the target")
    put(f"{d}/BackupArea/src/s1.txt", "the source's only copy")
    put(f"{d}/BackupArea/src/deep/s2.txt", "the source's only copy, deeper")
    put(f"{d}/BackupArea/inbox/photos/p1.jpg", "photo one")
    put(f"{d}/BackupArea/inbox/photos/sub/p2.jpg", "photo two")
    folder(f"{d}/x")
    put(f"{d}/src/a.txt", "source file a")
    put(f"{d}/src/sub/b.txt", "source file b")
    put(f"{d}/src/dst/old.txt", "an old file of the target inside the source")


# --- directory links in the target -----------------------------------------------------------------
def link_dst_dir_out(d):
    outside(d)
    put(f"{d}/outside/report.txt", "outside")
    put(f"{d}/src/docs/report.txt", "the report as the source has it, longer")
    put(f"{d}/src/top.txt", "top")
    link("../outside", f"{d}/dst/docs")


def link_dst_into_src(d):
    outside(d)
    put(f"{d}/src/2023/a.txt", "2023")
    put(f"{d}/src/2024/a.txt", "2024: the only copy of this year's file")
    link("../src/2024", f"{d}/dst/2023")


# --- file links in the target ----------------------------------------------------------------------
# Wine lists a host link to a file as a plain file and a dangling one not at all; writing or
# deleting by the link's path reaches the file behind it.
def link_dst_file_out(d):
    outside(d)
    put(f"{d}/outside/f.txt", "outside f")
    put(f"{d}/src/f.txt", "the source's f, of another size")
    link("../outside/f.txt", f"{d}/dst/f.txt")


def link_dst_file_dangling(d):
    outside(d)
    put(f"{d}/src/g.txt", "the source's g")
    link("../outside/missing.txt", f"{d}/dst/g.txt")


def link_dst_file_extra(d):
    outside(d)
    put(f"{d}/outside/precious.txt", "precious: lies behind a link of the target")
    put(f"{d}/src/a.txt", "a")
    same_as(f"{d}/src/a.txt", f"{d}/dst/a.txt")
    link("../outside/precious.txt", f"{d}/dst/extra.txt")


# --- walks that could run away ---------------------------------------------------------------------
def link_src_into_dst(d):
    outside(d)
    put(f"{d}/src/sub/b.txt", "source b")
    put(f"{d}/dst/sub/b.txt", "old b of another size")
    link("../../dst/sub", f"{d}/src/sub/l")


def link_src_to_parent(d):
    outside(d)
    put(f"{d}/src/a.txt", "a")
    link("..", f"{d}/src/up")
    folder(f"{d}/dst")


def link_src_loop(d):
    outside(d)
    put(f"{d}/src/a.txt", "a")
    put(f"{d}/src/sub/b.txt", "b")
    link("..", f"{d}/src/sub/up")
    folder(f"{d}/dst")


def name_dotdot_dir(d):
    outside(d)
    put(f"{d}/src/b.txt", "b")
    put(f"{d}/src/a\\../x.txt", "inside a folder named a\\..")
    folder(f"{d}/dst")


# --- names holding a backslash in the target -------------------------------------------------------
def backslash_file_victim(d):
    outside(d)
    put(f"{d}/victim.txt", "victim: dst\\..\\victim.txt names me")
    put(f"{d}/src/a.txt", "a")
    put(f"{d}/dst/..\\victim.txt", "a target-only file whose name holds a backslash")


def backslash_dir_victim(d):
    outside(d)
    put(f"{d}/photos/p.jpg", "a photo: dst\\a\\..\\..\\photos names my folder")
    put(f"{d}/src/a.txt", "a")
    put(f"{d}/dst/a\\..\\..\\photos/x.jpg", "a target-only folder whose name holds backslashes")


# --- names a plain Windows path cannot say, long names, look-alikes, conflicts ---------------------
def dot_blank_names(d):
    outside(d)
    put(f"{d}/src/x.", "a file whose name ends in a dot")
    put(f"{d}/src/a /in.txt", "in a folder whose name ends in a blank")
    put(f"{d}/src/b ", "a file whose name ends in a blank")
    put(f"{d}/src/plain.txt", "plain")
    folder(f"{d}/dst")


def stale_dot_k(d):
    outside(d)
    put(f"{d}/src/k", "k")
    same_as(f"{d}/src/k", f"{d}/dst/k")
    put(f"{d}/dst/k.", "a stale k. the source does not have")


def long_names(d):
    outside(d)
    for n in (240, 246, 247, 250, 254, 255):
        name = (f"L{n}_" + "n" * n)[:n]
        put(f"{d}/dst/{name}", "old", OLD)
        put(f"{d}/src/{name}", f"the newer content of a name of {n} characters")


def temp_lookalikes(d):
    outside(d)
    put(f"{d}/src/x.txt", "x as it is now, to be copied over the old one")
    put(f"{d}/dst/x.txt", "old x", OLD)
    put(f"{d}/dst/x.txt.~tvcopy", "a user's own file that looks like a temporary")
    put(f"{d}/dst/~tv1234ABCD.tmp", "another user's file that looks like a temporary")
    put(f"{d}/dst/~tv0badf00d.tmp", "what a run killed mid-copy left behind")


def file_dir_conflict(d):
    outside(d)
    put(f"{d}/src/x/in.txt", "the source has a folder x")
    put(f"{d}/dst/x", "the target has a file x")
    put(f"{d}/src/y", "the source has a file y")
    put(f"{d}/dst/y/old.txt", "the target has a folder y")


def empty_source(d):
    outside(d)
    folder(f"{d}/src")
    put(f"{d}/dst/a.txt", "the target's last good backup")
    put(f"{d}/dst/sub/b.txt", "more of it")


def held_open(d):
    outside(d)
    put(f"{d}/src/mail.box", "the mailbox as it is now, held open by the mail program")
    put(f"{d}/src/other.txt", "other")
    put(f"{d}/dst/mail.box", "yesterday's mailbox", OLD)


# dst/locked is made read-only on the host (mode 0555) after the ownership pass: nothing can be
# created in it, as in a folder the user may not write.
def locked_target_dir(d):
    outside(d)
    put(f"{d}/src/locked/new.txt", "cannot go into the locked folder")
    put(f"{d}/src/locked/sub/deeper.txt", "nor can its subfolder be made")
    put(f"{d}/src/free.txt", "this one can be copied")
    folder(f"{d}/dst/locked")
    LOCKED.append(f"{d}/dst/locked")


LOCKED = []


# src/shut cannot be listed by the wine user (mode 000, set on the host after the ownership
# pass): its old backup dst/shut stays, everything else is copied, and the run says it failed.
def unreadable_source_dir(d):
    outside(d)
    put(f"{d}/src/a.txt", "a")
    put(f"{d}/src/open/b.txt", "b")
    put(f"{d}/src/shut/c.txt", "cannot be read")
    put(f"{d}/dst/shut/old.txt", "the last backup of the folder")
    SHUT.append(f"{d}/src/shut")


SHUT = []


# The test defines a drive over this folder, so that an empty target box can reach only it.
def empty_target_box(d):
    outside(d)
    put(f"{d}/src/a.txt", "a")
    put(f"{d}/src/sub/b.txt", "b")
    put(f"{d}/stray.txt", "lies in the drive's root")


def case_folding(d):
    outside(d)
    put(f"{d}/src/\u00c4.txt", "A with diaeresis")
    put(f"{d}/src/\uff41.txt", "full-width a")
    same_as(f"{d}/src/\u00c4.txt", f"{d}/dst/\u00e4.txt")
    same_as(f"{d}/src/\uff41.txt", f"{d}/dst/\uff21.txt")


NESTED_CASES = ["nest_two_down", "nest_src_dot", "nest_dot_segment", "nest_dst_dot", "nest_dst_dotdot",
                "nest_dst_case", "nest_relative", "nest_drive_relative",
                "nest_rooted", "nest_short_name", "dst_in_src",
                "dst_in_src_dot"]
OWN_LAYOUTS = [link_dst_dir_out, link_dst_into_src, link_dst_file_out, link_dst_file_dangling,
               link_dst_file_extra, link_src_into_dst, link_src_to_parent, link_src_loop, name_dotdot_dir,
               backslash_file_victim, backslash_dir_victim, dot_blank_names, stale_dot_k, long_names,
               temp_lookalikes, file_dir_conflict, empty_source, held_open, locked_target_dir, empty_target_box,
               case_folding, unreadable_source_dir]


def main():
    sandbox = sys.argv[1]
    owner = sys.argv[2] if len(sys.argv) > 2 else ""
    root = os.path.join(sandbox, "torture")
    # A runaway walk of an earlier run may have left folders nested a thousand deep, past what a
    # recursive removal in Python can reach.
    subprocess.run(["chmod", "-R", "u+rwx", root], check=False, stderr=subprocess.DEVNULL)
    subprocess.run(["rm", "-rf", "--one-file-system", root], check=False)
    if os.path.lexists(root):
        sys.exit(f"torture_layouts: {root} could not be removed")
    cases = [(name, nested) for name in NESTED_CASES] + [(f.__name__, f) for f in OWN_LAYOUTS]
    for name, make in cases:
        for engine in ("job", "main"):
            make(os.path.join(root, name, engine))
    if owner:
        uid = pwd.getpwnam(owner).pw_uid
        gid = pwd.getpwnam(owner).pw_gid
        os.lchown(root, uid, gid)
        for top, dirs, files in os.walk(root):
            for entry in dirs + files:
                os.lchown(os.path.join(top, entry), uid, gid)
    for locked in LOCKED:
        os.chmod(locked, 0o555)
    for shut in SHUT:
        os.chmod(shut, 0o000)


if __name__ == "__main__":
    main()
