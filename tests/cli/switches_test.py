"""The command line with switches, end to end on real photos: what each
combination does to the files, the filter against the in-place strip, the
check against what the strip then removes, the JSON lines, the exit statuses."""
import json
import os
import shutil
import socket
import unittest

from cli_support import ProgramCase, corpus_photos, synthetic_jpeg, LOCK_NAME

EXIF = b"\xFF\xE1"
ICC = b"ICC_PROFILE\0"
COMMENT = b"Modified by velmora"


def json_lines(stdout):
    return [json.loads(line) for line in stdout.decode().splitlines()]


def photo_with_everything():
    """A corpus photo with Exif, ICC, Adobe APP14 and data after its end."""
    for path in corpus_photos():
        if os.path.basename(path) == "et-ExifTool.jpg":
            with open(path, "rb") as f:
                return f.read()
    return None


class Switches(ProgramCase):
    def test_combinations_act_on_real_files_and_leave_the_settings_alone(self):
        original = photo_with_everything()
        if original is None:
            self.skipTest("no photo corpus beside the clone")
        keys = ("Wave_Sound=0\nSave_Original_File=1\nDelete_after_EOI=1\nWrite_APP14=1\n"
                "Keep_ICC=0\nExtra=1\n")
        eoi = original.rindex(b"\xFF\xD9")
        tail = original[eoi + 2:]
        self.assertGreater(len(tail), 0)
        # args; status; (Exif, ICC, Adobe, tail, comment) left in the file; a backup;
        # trace lines on stdout; the settings file as it was.
        cases = [
            ([], 0, (0, 0, 1, 0, 1), True, True, False),
            (["-q"], 0, (0, 0, 1, 0, 1), True, False, True),
            (["--no-backup"], 0, (0, 0, 1, 0, 1), False, True, True),
            (["-q", "--keep-icc", "--no-cut", "--no-app14", "--no-backup"], 0,
             (0, 1, 0, 1, 1), False, False, True),
            (["-q", "--no-comment", "--no-backup"], 0, (0, 0, 1, 0, 0), False, False, True),
            (["--check"], 1, (1, 1, 1, 1, 0), False, False, True),
            (["--check", "--keep-icc", "--no-cut"], 1, (1, 1, 1, 1, 0), False, False, True),
            (["--json", "--no-backup"], 0, (0, 0, 1, 0, 1), False, False, True),
            (["--", ], 0, (0, 0, 1, 0, 1), True, True, True),
        ]
        for args, status, left, backup, trace, settings_kept in cases:
            with self.subTest(args=args):
                self.settings(keys)
                for name in os.listdir(self.photos):
                    os.remove(os.path.join(self.photos, name))
                self.put("a.jpg", original)
                result = self.run_program(args + ["a.jpg"])
                self.assertEqual(result.returncode, status, result.stderr)
                after = self.read("a.jpg")
                found = (EXIF in after, ICC in after, b"\xFF\xEE" in after,
                         after.endswith(tail), COMMENT in after)
                self.assertEqual(tuple(int(x) for x in found), left)
                self.assertEqual(os.path.exists(os.path.join(self.photos, "a_bak.jpg")), backup)
                self.assertEqual(b"MARK=$FFD8 SOI" in result.stdout, trace)
                with open(self.settings_path()) as f:
                    self.assertEqual(f.read() == "[CONFIG]\n" + keys, settings_kept)

    def test_filter_gives_the_bytes_of_an_in_place_strip(self):
        photos = corpus_photos()
        if not photos:
            self.skipTest("no photo corpus beside the clone")
        for path in photos:
            with self.subTest(photo=os.path.basename(path)):
                with open(path, "rb") as f:
                    original = f.read()
                piped = self.run_program(["-"], stdin=original)
                self.put("p.jpg", original)
                in_place = self.run_program(["-q", "p.jpg"])
                self.assertEqual(piped.returncode, in_place.returncode, piped.stderr)
                if in_place.returncode == 0:
                    self.assertEqual(piped.stdout, self.read("p.jpg"))
                    self.assertIn(b"MARK=$FFD8 SOI", piped.stderr, "the trace goes to stderr")
                else:
                    self.assertEqual(piped.stdout, b"")
        # A clean picture goes through as it came; what is not a JPEG gives nothing.
        stripped = self.run_program(["-"], stdin=synthetic_jpeg()).stdout
        again = self.run_program(["-"], stdin=stripped)
        self.assertEqual((again.returncode, again.stdout), (0, stripped))
        png = self.run_program(["-"], stdin=b"\x89PNG\r\n\x1a\n" + b"\0" * 40)
        self.assertEqual((png.returncode, png.stdout), (1, b""))
        self.assertEqual(os.listdir(self.photos), ["p.jpg"], "the filter writes no file")

    def test_check_agrees_with_what_the_strip_then_removes(self):
        photos = corpus_photos()
        if not photos:
            self.skipTest("no photo corpus beside the clone")
        fate = {"to strip": "written", "clean": "clean", "not checked": "not written",
                "error": "error"}
        for path in photos:
            with self.subTest(photo=os.path.basename(path)):
                shutil.copyfile(path, os.path.join(self.photos, "c.jpg"))
                os.chmod(os.path.join(self.photos, "c.jpg"), 0o644)
                before = self.read("c.jpg")
                check = self.run_program(["--check", "--json", "--no-comment", "c.jpg"])
                self.assertEqual(self.read("c.jpg"), before, "a check writes nothing")
                *checked, summary = json_lines(check.stdout)
                strip = self.run_program(["--json", "--no-comment", "--no-backup", "c.jpg"])
                *stripped, _ = json_lines(strip.stdout)
                self.assertEqual(len(checked), 1)
                self.assertEqual(fate.get(checked[0]["outcome"], "error"), stripped[0]["outcome"])
                self.assertEqual(checked[0].get("removed"), stripped[0].get("removed"))
                self.assertEqual(check.returncode, 0 if checked[0]["outcome"] == "clean" else 1)
                self.assertEqual(summary["summary"]["status"], check.returncode)
                if stripped[0]["outcome"] != "written":
                    continue
                # Without our comment, what went is all the file lost.
                removed = stripped[0]["removed"]
                self.assertEqual(stripped[0]["bytes_before"] - sum(r["length"] for r in removed),
                                 stripped[0]["bytes_after"])
                self.assertEqual(stripped[0]["bytes_after"], len(self.read("c.jpg")))
                after = self.run_program(["--check", "--no-comment", "c.jpg"])
                self.assertEqual((after.returncode, after.stdout), (0, b"c.jpg: clean\n"))

    def test_json_lines_describe_each_file_and_end_with_a_summary(self):
        self.put("dirty.jpg", synthetic_jpeg())
        clean = self.run_program(["-"], stdin=synthetic_jpeg()).stdout
        self.put("clean.jpg", clean)
        self.put("odd\nname.jpg", b"GIF89a" + b"\0" * 20)
        result = self.run_program(["--json", "--backup", "dirty.jpg", "clean.jpg",
                                   "odd\nname.jpg", "missing.jpg"])
        self.assertEqual(result.returncode, 1)
        lines = json_lines(result.stdout)
        self.assertEqual([o.get("file") for o in lines[:-1]],
                         ["dirty.jpg", "clean.jpg", "odd\nname.jpg", "missing.jpg"])
        dirty, tidy, gif, missing, summary = lines
        self.assertEqual(dirty["outcome"], "written")
        self.assertIsNone(dirty["reason"])
        self.assertEqual(dirty["bytes_before"], len(synthetic_jpeg()))
        self.assertEqual(dirty["bytes_after"], len(self.read("dirty.jpg")))
        self.assertEqual(dirty["backup"], "dirty_bak.jpg")
        self.assertEqual([(r["marker"], r["kind"], r["offset"]) for r in dirty["removed"]],
                         [("FFE1", "Exif", 2), (None, "data after the end of image",
                                                len(synthetic_jpeg()) - 21)])
        self.assertEqual(tidy["outcome"], "clean")
        self.assertEqual((tidy["removed"], "backup" in tidy), ([], False))
        self.assertEqual(gif["outcome"], "not written")
        self.assertIn("GIF", gif["reason"])
        self.assertEqual(missing["outcome"], "not written")
        self.assertEqual(summary, {"summary": {"mode": "strip", "written": 1, "clean": 1,
                                               "not_written": 2, "not_handled": 0,
                                               "status": 1}})
        self.assertNotIn(b"MARK=", result.stdout + result.stderr, "no trace lines")

    def test_check_exit_statuses(self):
        self.put("dirty.jpg", synthetic_jpeg())
        self.put("clean.jpg", self.run_program(["-"], stdin=synthetic_jpeg()).stdout)
        self.put("clean2.jpg", self.read("clean.jpg"))
        self.put("broken.jpg", b"\xFF\xD8\xFF\xE1\x00\x01" + b"\0" * 30)
        self.put("text.jpg", b"hello, world")
        cases = [
            (["clean.jpg", "clean2.jpg"], 0, ["clean.jpg: clean", "clean2.jpg: clean"]),
            (["clean.jpg", "dirty.jpg"], 1,
             ["clean.jpg: clean", "dirty.jpg: would remove Exif, data after the end of image"]),
            (["-q", "clean.jpg", "dirty.jpg"], 1,
             ["dirty.jpg: would remove Exif, data after the end of image"]),
            (["--no-cut", "dirty.jpg"], 1, ["dirty.jpg: would remove Exif"]),
            (["broken.jpg"], 1, ["broken.jpg: not checked: damaged (A segment's length is "
                                 "below 2. File not overwritten.)"]),
            (["text.jpg"], 1, ["text.jpg: not checked: not JPEG (Not Jpeg file. Marker=$6865)"]),
            (["missing.jpg"], 1, None),
            ([], 2, []),
        ]
        for args, status, lines in cases:
            with self.subTest(args=args):
                before = {n: self.read(n) for n in os.listdir(self.photos)}
                result = self.run_program(["--check"] + args)
                self.assertEqual(result.returncode, status, result.stderr)
                if lines is not None:
                    self.assertEqual(result.stdout.decode().splitlines(), lines)
                self.assertEqual({n: self.read(n) for n in os.listdir(self.photos)}, before)

    def test_recursion_takes_jpeg_names_only_and_not_links_to_folders_or_new_backups(self):
        for name in ("a.JPG", "sub/b.jpeg", "sub/deeper/c.jpe", "d.JFIF", "e.png", "f.jpg.txt"):
            self.put("tree/" + name, synthetic_jpeg())
        self.put("outside/x.jpg", synthetic_jpeg())
        os.symlink(os.path.join(self.photos, "outside"), os.path.join(self.photos, "tree/link"))
        os.symlink(os.path.join(self.photos, "outside/x.jpg"),
                   os.path.join(self.photos, "tree/linked.jpg"))
        result = self.run_program(["-r", "--json", "--backup", "tree"])
        self.assertEqual(result.returncode, 0, result.stderr)
        files = [o["file"] for o in json_lines(result.stdout)[:-1]]
        self.assertEqual(files, ["tree/a.JPG", "tree/d.JFIF", "tree/linked.jpg", "tree/sub/b.jpeg",
                                 "tree/sub/deeper/c.jpe"])
        self.assertTrue(os.path.exists(os.path.join(self.photos, "tree/a_bak.jpg")))
        self.assertEqual(self.read("tree/e.png"), synthetic_jpeg())
        # Without -r a folder stays a file that cannot be stripped.
        self.assertEqual(self.run_program(["-q", "tree"]).returncode, 1)

    def test_a_switched_run_never_goes_to_a_running_copy(self):
        self.put("a.jpg", synthetic_jpeg())
        self.hold_lock()
        # A running copy's channel: nothing may connect to it.
        channel = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        self.addCleanup(channel.close)
        channel.bind(os.path.join(self.root, "run", LOCK_NAME + ".sock"))
        channel.listen(4)
        channel.setblocking(False)

        check = self.run_program(["--check", "a.jpg"])
        self.assertEqual((check.returncode, check.stdout),
                         (1, b"a.jpg: would remove Exif, data after the end of image\n"))
        piped = self.run_program(["-"], stdin=synthetic_jpeg())
        self.assertEqual(piped.returncode, 0)
        self.assertNotIn(b"secretGPS", piped.stdout)
        strip = self.run_program(["-q", "a.jpg"])
        self.assertEqual(strip.returncode, 3)
        self.assertEqual(strip.stderr, b"velmora: another copy is running; nothing was done.\n")
        self.assertEqual(self.read("a.jpg"), synthetic_jpeg())
        with self.assertRaises(BlockingIOError):
            channel.accept()

    def test_help_version_and_wrong_command_lines(self):
        helped = self.run_program(["--help"])
        self.assertEqual(helped.returncode, 0)
        self.assertIn(b"--keep-orientation", helped.stdout)
        version = self.run_program(["-V"])
        self.assertEqual((version.returncode, version.stdout), (0, b"velmora v0.1.3d\n"))
        for args in (["--frobnicate", "a.jpg"], ["-", "a.jpg"], ["--json", "-"]):
            with self.subTest(args=args):
                wrong = self.run_program(args)
                self.assertEqual((wrong.returncode, wrong.stdout), (2, b""))
                self.assertIn(b"see --help", wrong.stderr)
        # A name that begins with a dash is reachable after -- and as ./-name.
        for args in (["-q", "--", "-x.jpg"], ["./-x.jpg"]):
            self.put("-x.jpg", synthetic_jpeg())
            self.assertEqual(self.run_program(args).returncode, 0)
            self.assertNotIn(b"secretGPS", self.read("-x.jpg"))

    def test_help_and_command_line_errors_speak_the_chosen_language(self):
        """The texts follow the Language key; switches, statuses, the closing
        line and the check lines stay as scripts read them."""
        cases = {
            "en": {"help": ["Usage: velmora [switches]", "Exit status:",
                            "      --check             write nothing;",
                            "  -                       read standard input,",
                            "\n                          output; trace lines go",
                            "\n  1  some file was not (", "\n     be read, or is damaged)"],
                   "unknown": "velmora: unknown switch --frobnicate (see --help).\n",
                   "bundled": "velmora: unknown switch -z (see --help).\n",
                   "stdin": "velmora: - (standard input) must be the only file (see --help).\n",
                   "none": "velmora: no files named (see --help).\n"},
            "ja": {"help": ["使い方: velmora [スイッチ]", "終了ステータス:",
                            "      --check             何も書き込まず、",
                            "  -                       標準入力を読み、",
                            "\n                          トレース行は標準エラー出力",
                            "\n  1  書き込まなかったファイルがある", "\n     壊れているファイルがある)"],
                   "unknown": "velmora: 不明なスイッチ --frobnicate (--help を参照)。\n",
                   "bundled": "velmora: 不明なスイッチ -z (--help を参照)。\n",
                   "stdin": "velmora: - (標準入力) はほかのファイルと一緒には指定できません"
                            " (--help を参照)。\n",
                   "none": "velmora: ファイルが指定されていません (--help を参照)。\n"},
        }
        self.put("a.jpg", synthetic_jpeg())
        for language, texts in cases.items():
            with self.subTest(language=language):
                self.settings("Wave_Sound=0\nLanguage=" + language + "\n")
                helped = self.run_program(["--help"])
                self.assertEqual(helped.returncode, 0)
                text = helped.stdout.decode()
                for part in texts["help"] + ["--keep-orientation, --no-keep-orientation",
                                             "(Keep_Orientation)", "\n  3  "]:
                    self.assertIn(part, text)
                for args, key in ((["--frobnicate", "a.jpg"], "unknown"), (["-qz"], "bundled"),
                                  (["-", "a.jpg"], "stdin"), (["-q"], "none")):
                    wrong = self.run_program(args)
                    self.assertEqual((wrong.returncode, wrong.stdout, wrong.stderr.decode()),
                                     (2, b"", texts[key]))
                checked = self.run_program(["--check", "a.jpg"])
                self.assertEqual(checked.stdout, b"a.jpg: would remove Exif, data after the end"
                                                 b" of image\n")
                self.assertEqual(checked.stderr, b"velmora: 1 to strip, 0 clean, 0 not checked,"
                                                 b" 0 not handled.\n")


if __name__ == "__main__":
    unittest.main()
