// The programs carry what the POM configured, as vandrel-pack --show reads them back, and
// install put the console program into the local repository beside the JAR.
def target = new File(basedir, 'target')
def windows = System.getProperty('os.name').startsWith('Windows')
def tool = new File(target, windows ? 'vandrel/windows/vandrel-pack.exe' : 'vandrel/linux-x86_64/vandrel-pack')
def show = { String name ->
    def process = [tool.path, '--show', new File(target, name).path].execute()
    def out = process.text
    assert process.waitFor() == 0: out
    out.readLines()
}

def console = show('pack-sample-1.0.exe')
['Image: PE32+ (64-bit), machine x64, subsystem console',
 '  min_version = 11',
 '  vm_arguments = -Xmx128m\\n-Dsample.greeting=hello from the POM',
 '  leading_arguments = --from-pom',
 'Icon 101: 16x16/32bit 32x32/32bit',
 'Version: file 1.2.3.0, product 0.0.0.0',
 '  ProductName = Pack Sample',
 '  OriginalFilename = pack-sample.exe'].each { assert console.contains(it): "${it} in ${console}" }
assert console.any { it.startsWith('Archive: appended at ') && it.endsWith('Main-Class: sample.Hello') }: console

def gui = show('pack-sample-1.0-gui.exe')
assert gui.contains('Image: PE32+ (64-bit), machine x64, subsystem GUI'): gui
assert gui.contains('  vm_arguments = -Xmx256m'): gui
assert gui.any { it.startsWith('Manifest: ') && it.endsWith(', code page UTF-8') }: gui
assert !console.any { it.contains('code page UTF-8') }: console

def installed = new File(localRepositoryPath, 'com/brightfen/vandrel/it/pack-sample/1.0')
assert new File(installed, 'pack-sample-1.0.exe').bytes == new File(target, 'pack-sample-1.0.exe').bytes
assert new File(installed, 'pack-sample-1.0.jar').isFile()
assert !new File(installed, 'pack-sample-1.0-gui.exe').exists()
