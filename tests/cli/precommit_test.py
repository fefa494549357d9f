"""The repository's pre-commit hooks, run by pre-commit itself in a throwaway
git repository, offline: the hooks come from a local clone of this file at a
commit, as a project consuming them gets them, and run the built program."""
import os
import shutil
import subprocess
import sys
import unittest

from cli_support import ProgramCase, synthetic_jpeg

SOURCE = os.environ.get("VELMORA_SOURCE_DIR", "")
PRE_COMMIT = shutil.which("pre-commit")


class PreCommitHooks(ProgramCase):
    def git(self, folder, *args, check=True):
        return subprocess.run(["git", "-C", folder] + list(args), env=self.hook_env(),
                              capture_output=True, check=check, timeout=300)

    def hook_env(self):
        env = self.env()
        env["PATH"] = env["PATH"] + ":" + os.path.dirname(PRE_COMMIT)
        env["PRE_COMMIT_HOME"] = os.path.join(self.root, "pre-commit-cache")
        for who in ("AUTHOR", "COMMITTER"):
            env["GIT_%s_NAME" % who] = "Test"
            env["GIT_%s_EMAIL" % who] = "test@example.invalid"
        return env

    def setUp(self):
        super().setUp()
        # The hooks' repository: this repository's hook file at a commit of its own.
        self.hooks = os.path.join(self.root, "hooks")
        os.makedirs(self.hooks)
        shutil.copy(os.path.join(SOURCE, ".pre-commit-hooks.yaml"), self.hooks)
        self.git(self.hooks, "init", "-q")
        self.git(self.hooks, "add", ".")
        self.git(self.hooks, "commit", "-q", "-m", "hooks")
        self.rev = self.git(self.hooks, "rev-parse", "HEAD").stdout.decode().strip()
        # The project that uses them.
        self.project = os.path.join(self.root, "project")
        os.makedirs(self.project)
        self.git(self.project, "init", "-q")

    def use_hooks(self, *ids):
        config = "repos:\n- repo: %s\n  rev: %s\n  hooks:\n" % (self.hooks, self.rev)
        config += "".join("  - id: %s\n" % i for i in ids)
        with open(os.path.join(self.project, ".pre-commit-config.yaml"), "w") as f:
            f.write(config)
        self.git(self.project, "add", ".pre-commit-config.yaml")
        subprocess.run([PRE_COMMIT, "install"], cwd=self.project, env=self.hook_env(),
                       capture_output=True, check=True, timeout=300)

    def add_photo(self, data):
        with open(os.path.join(self.project, "photo.JPG"), "wb") as f:
            f.write(data)
        self.git(self.project, "add", "photo.JPG")

    def photo(self):
        with open(os.path.join(self.project, "photo.JPG"), "rb") as f:
            return f.read()

    def commit(self):
        return self.git(self.project, "commit", "-q", "-m", "photo", check=False)

    def test_check_fails_a_commit_that_adds_metadata(self):
        self.use_hooks("velmora-check")
        self.add_photo(synthetic_jpeg())
        refused = self.commit()
        self.assertNotEqual(refused.returncode, 0)
        self.assertIn(b"photo.JPG: would remove Exif", refused.stdout + refused.stderr)
        self.assertEqual(self.photo(), synthetic_jpeg(), "the check touched the photo")
        clean = subprocess.run([os.environ["VELMORA_PROGRAM"], "-"], input=synthetic_jpeg(),
                               env=self.env(), capture_output=True, check=True).stdout
        self.add_photo(clean)
        self.assertEqual(self.commit().returncode, 0)

    def test_strip_modifies_the_photo_and_the_next_commit_passes(self):
        self.use_hooks("velmora-strip", "velmora-check")
        self.add_photo(synthetic_jpeg())
        first = self.commit()
        self.assertNotEqual(first.returncode, 0)
        self.assertIn(b"files were modified by this hook", first.stdout + first.stderr)
        self.assertNotIn(b"secretGPS", self.photo())
        self.assertFalse(os.path.exists(os.path.join(self.project, "photo_bak.jpg")))
        self.git(self.project, "add", "photo.JPG")
        second = self.commit()
        self.assertEqual(second.returncode, 0, second.stdout + second.stderr)


if __name__ == "__main__":
    if PRE_COMMIT is None:
        print("pre-commit is not installed; skipped")
        sys.exit(77)
    unittest.main()
