// Skipped, the tool is not run; packed, its status and its message end the build. Nothing is written.
def log = new File(basedir, 'build.log').text
def skipped = log.indexOf('Skipping vandrel pack')
def skipBuilt = log.indexOf('BUILD SUCCESS')
def failed = log.indexOf("vandrel-pack failed (status 6): Not a valid min_version: 'eleven'")
assert 0 <= skipped && skipped < skipBuilt && skipBuilt < failed: log
assert log.indexOf('BUILD FAILURE') > skipBuilt: log
assert !new File(basedir, 'target/failing-tool-1.0.exe').exists()
