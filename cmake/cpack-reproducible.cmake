# Read by cpack when it makes a package: every file in the archive is dated 1980-01-01 00:00 UTC
# (as in the tool's own zip files), so the same build gives the same archive bytes.
set(ENV{SOURCE_DATE_EPOCH} 315532800)
