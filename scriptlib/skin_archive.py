"""Skins as people keep them: a skin folder, or a zip archive (".wsz" or
".zip") of one, and Skins folders holding many of both. Shared by
scripts/check and scripts/preview.

An archive is unpacked into a folder of ours with the file system's rules of
the player's platform in mind: names that differ only in letter case are one
file there, and folders too. Entries that would land outside that folder,
links and encrypted entries are refused, and so are archives that would
unpack to too many files or bytes.
"""

import os
import re
import stat
import zipfile
import zlib

ARCHIVE_SUFFIXES = ('.wsz', '.zip')
MAIN_BITMAP = 'main.bmp'
# Skins are a few hundred kilobytes; these leave room for the biggest ones.
MOST_ENTRIES = 1000
MOST_BYTES = 64 * 1024 * 1024
CHUNK = 1 << 16


class SkinInputError(Exception):
    """A skin or Skins folder the tools cannot read, with a one-line reason."""


class Skin:
    """A skin ready to report on: its name, the folder holding its files, and
    notes on how it was found (for an archive)."""

    def __init__(self, name, folder, archive=None, notes=()):
        self.name = name
        self.folder = folder
        self.archive = archive
        self.notes = list(notes)


def is_archive(path):
    return path.lower().endswith(ARCHIVE_SUFFIXES) and os.path.isfile(path)


def list_folder(path):
    """The folder's entries; a clear reason when it cannot be read."""
    try:
        return os.listdir(path)
    except PermissionError:
        raise SkinInputError('cannot read the folder %s: permission denied' % path)
    except OSError as e:
        raise SkinInputError('cannot read the folder %s: %s' % (path, e.strerror or e))


def holds_main_bitmap(folder):
    return any(name.lower() == MAIN_BITMAP and os.path.isfile(os.path.join(folder, name))
               for name in list_folder(folder))


def open_skin(path, work):
    """The skin at path, a folder or an archive unpacked below work."""
    name = os.path.basename(os.path.normpath(path))
    if os.path.isdir(path):
        if not list_folder(path):
            raise SkinInputError('the folder %s is empty: no skin in it' % path)
        return Skin(name, os.path.abspath(path))
    if not os.path.exists(path):
        raise SkinInputError('%s does not exist' % path)
    if not path.lower().endswith(ARCHIVE_SUFFIXES):
        raise SkinInputError('%s is neither a folder nor a skin archive (.wsz, .zip)' % path)
    return unpack_skin(path, work)


def unpack_skin(archive, work):
    name = os.path.basename(archive)
    os.makedirs(work, exist_ok=True)
    notes = unpack(archive, work)
    folder, more = find_skin_folder(work, name)
    if folder != work:
        notes.insert(0, 'its skin is in the folder "%s" of the archive'
                     % os.path.relpath(folder, work))
    notes[1:1] = more
    return Skin(name, folder, archive, notes)


# ---------------------------------------------------------------- unpacking

def entry_parts(name):
    """The path of an entry as folder and file names; None when it would land
    outside the folder it is unpacked into. Some archivers write
    backslashes, which the player's platform takes as separators."""
    path = name.replace('\\', '/')
    if path.startswith('/') or re.match(r'[A-Za-z]:', path):
        return None
    parts = [p for p in path.split('/') if p not in ('', '.')]
    if '..' in parts:
        return None
    return parts


def is_link(info):
    return info.create_system == 3 and stat.S_ISLNK(info.external_attr >> 16)


def refuse(archive, reason):
    raise SkinInputError('%s: refused, %s' % (os.path.basename(archive), reason))


def read_archive(archive):
    try:
        return zipfile.ZipFile(archive)
    except zipfile.BadZipFile:
        raise SkinInputError('%s: not a readable zip archive (corrupt or cut short)'
                             % os.path.basename(archive))
    except OSError as e:
        raise SkinInputError('cannot read %s: %s' % (archive, e.strerror or e))


def unpack(archive, dest):
    """Unpacks the archive into dest; returns notes on names that differ only
    in letter case."""
    with read_archive(archive) as zf:
        infos = zf.infolist()
        if len(infos) > MOST_ENTRIES:
            refuse(archive, 'it holds %d entries, more than the %d a skin may have '
                   '(an archive bomb?)' % (len(infos), MOST_ENTRIES))
        if sum(info.file_size for info in infos) > MOST_BYTES:
            refuse(archive, 'it would unpack to more than %d MB (an archive bomb?)'
                   % (MOST_BYTES >> 20))

        # Where each entry lands on a file system that ignores letter case:
        # a folder keeps the spelling it first appears with, and of two files
        # that differ only in case the later one is written.
        folders = {}          # lower-case folder path -> spelling on disk
        files = {}            # lower-case file path -> [info, ...] in archive order
        for info in infos:
            parts = entry_parts(info.filename)
            if parts is None:
                refuse(archive, 'the entry "%s" would land outside the skin\'s folder'
                       % info.filename)
            if is_link(info):
                refuse(archive, 'the entry "%s" is a link' % info.filename)
            if info.flag_bits & 1:
                refuse(archive, 'the entry "%s" is encrypted' % info.filename)
            if not parts:
                continue
            is_dir = info.is_dir()
            spelled = []
            for depth in range(len(parts) if is_dir else len(parts) - 1):
                key = '/'.join(p.lower() for p in parts[:depth + 1])
                folders.setdefault(key, os.path.join(*(spelled + [parts[depth]])))
                spelled = [folders[key]]
            if not is_dir:
                key = '/'.join(p.lower() for p in parts)
                files.setdefault(key, []).append((info, os.path.join(*(spelled + [parts[-1]]))))
        for key, spelled in folders.items():
            if key in files:
                refuse(archive, '"%s" is both a folder and a file' % spelled)

        notes = []
        written = 0
        for folder in folders.values():
            os.makedirs(os.path.join(dest, folder), exist_ok=True)
        for key, entries in files.items():
            info, target = entries[-1]
            if len(entries) > 1:
                notes.append(case_note(zf, entries))
            written = extract(zf, info, os.path.join(dest, target), written, archive)
        return notes


def extract(zf, info, target, written, archive):
    """Writes one entry, counting the bytes as they come: the sizes an archive
    declares may lie."""
    try:
        with zf.open(info) as src, open(target, 'wb') as out:
            while True:
                chunk = src.read(CHUNK)
                if not chunk:
                    break
                written += len(chunk)
                if written > MOST_BYTES:
                    refuse(archive, 'it would unpack to more than %d MB (an archive bomb?)'
                           % (MOST_BYTES >> 20))
                out.write(chunk)
    except (zipfile.BadZipFile, zlib.error, EOFError) as e:
        raise SkinInputError('%s: the entry "%s" is corrupt (%s)'
                             % (os.path.basename(archive), info.filename, e))
    except NotImplementedError as e:
        raise SkinInputError('%s: the entry "%s" cannot be unpacked (%s)'
                             % (os.path.basename(archive), info.filename, e))
    return written


def case_note(zf, entries):
    names = ', '.join('"%s"' % info.filename for info, _ in entries)
    later = entries[-1][0].filename
    contents = {(info.CRC, info.file_size) for info, _ in entries}
    if len(contents) == 1:
        return ('%s differ only in letter case and hold the same bytes: the player\'s '
                'file system keeps one of them, and either gives the same skin' % names)
    return ('%s differ only in letter case: the player\'s file system keeps only one of '
            'them, and which one depends on the program that unpacks the archive, so '
            'which one the player reads cannot be known; this report reads "%s", the later '
            'entry, which an unpacker that overwrites keeps' % (names, later))


def find_skin_folder(root, name):
    """The folder holding the main bitmap: the top, or one level down. Notes
    when several folders one level down hold one."""
    if holds_main_bitmap(root):
        return root, []
    below = sorted(d for d in list_folder(root) if os.path.isdir(os.path.join(root, d)))
    found = [d for d in below if holds_main_bitmap(os.path.join(root, d))]
    if not found:
        deeper = [os.path.relpath(os.path.join(top, f), root)
                  for top, _, names in os.walk(root) for f in names if f.lower() == MAIN_BITMAP]
        where = ' (there is one too deep: %s)' % sorted(deeper)[0] if deeper else ''
        raise SkinInputError('%s: no %s at the top of the archive or one folder down%s'
                             % (name, MAIN_BITMAP, where))
    notes = []
    if len(found) > 1:
        notes.append('several folders hold a main bitmap (%s): this report is on "%s"'
                     % (', '.join('"%s"' % d for d in found), found[0]))
    return os.path.join(root, found[0]), notes


# ---------------------------------------------------------------- collections

def collection_entries(skins_folder):
    """The skin folders and archives of a Skins folder, by name; other files
    are left out."""
    if not os.path.isdir(skins_folder):
        raise SkinInputError('%s is not a folder' % skins_folder)
    entries = [name for name in list_folder(skins_folder)
               if os.path.isdir(os.path.join(skins_folder, name))
               or is_archive(os.path.join(skins_folder, name))]
    if not entries:
        raise SkinInputError('%s holds no skin folders or archives' % skins_folder)
    return entries
