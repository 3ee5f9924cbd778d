"""The built page in headless Chromium: maps chosen as a user chooses them, converted with a swap
script and then without, each download compared byte for byte with the native program's file, and
the time the largest map takes. page_test.py <index.html> <native tessaro> <screenshot.png>"""
import base64, random, shutil, struct, subprocess, sys, tempfile
from pathlib import Path
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import Select

page, program, screenshot = (Path(arg).resolve() for arg in sys.argv[1:4])
samples = Path(__file__).resolve().parents[2] / 'samples'
work = Path(tempfile.mkdtemp(prefix='tessaro-page-'))
(work / 'swaps.txt').write_text('; swaps\n0-6000, 7\n&H10, 99\n')
shutil.copy(samples / 'v3/courtyard.map', work / 'courtyard.map')  # a step up
shutil.copy(samples / 'v7/warehouse.map', work / 'WAREHOUSE.MAP')  # steps down, the name kept as it is
(work / 'broken.map').write_bytes(b'\x04\x00\x00\x00 too short')
random.seed(13)  # the largest map: every count at its limit, records of random bytes
(work / 'largest.map').write_bytes(struct.pack('<i16x', 7) + b''.join(
    struct.pack('<h', 32767) + random.randbytes(32767 * size) for size in (40, 32, 44)))

def native(name, script):
    """The program's lines for one map at version 4, and the file it made, if any."""
    folder = work / 'native' / name
    folder.mkdir(parents=True)
    [shutil.copy(work / file, folder) for file in (name, 'swaps.txt')]
    out = subprocess.run([program, '-In', name, '-Version', '4', '-R'] + ['-ST', 'swaps'] * script, cwd=folder,
                         stdin=subprocess.DEVNULL, capture_output=True, check=True).stdout.decode().split('\r\n')
    made = [path for path in folder.iterdir() if path.name not in (name, 'swaps.txt')]
    return '\n'.join(out[out.index(':: Opening ' + name + '...'):-1]), made[0] if made else None

options = webdriver.ChromeOptions()
options.binary_location = '/usr/bin/chromium'
for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--window-size=1200,1500', f'--user-data-dir={work / "profile"}'):
    options.add_argument(flag)
options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
failures = []
try:
    driver.get(page.as_uri())
    def convert(names, script):
        """Chooses the maps and the script or none, converts, and gives the page's time for the run in ms."""
        driver.find_element(By.ID, 'maps').clear()
        driver.find_element(By.ID, 'maps').send_keys('\n'.join(str(work / name) for name in names))
        (driver.find_element(By.ID, 'script').send_keys(str(work / 'swaps.txt')) if script
         else driver.find_element(By.ID, 'no-script').click())
        Select(driver.find_element(By.ID, 'version')).select_by_value('4')
        return driver.execute_async_script('''const [done] = arguments, start = performance.now();
            const button = document.getElementById('convert');
            new MutationObserver(() => button.disabled || done(performance.now() - start))
                .observe(button, {attributes: true});
            button.click(); button.click();  // the second one while the first run goes on''')
    def download(link):
        return base64.b64decode(driver.execute_async_script('''const [link, done] = arguments;
            const reader = new FileReader();
            reader.onload = () => done(reader.result.split(',')[1]);
            fetch(link.href).then(r => r.blob()).then(blob => reader.readAsDataURL(blob));''', link))

    def check(names, script):
        results = driver.find_elements(By.CLASS_NAME, 'result')
        failures.extend([f'{len(results)} results for {len(names)} maps'] * (len(results) != len(names)))
        for name, result, (lines, made) in zip(names, results, (native(name, script) for name in names)):
            links = result.find_elements(By.CSS_SELECTOR, 'a[download]')
            loses = [h.text for h in result.find_elements(By.TAG_NAME, 'h3') if 'loses' in h.text]
            blank = made and driver.execute_script('''const canvas = arguments[0].querySelector('canvas');
                const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
                return pixels.every((value, i) => value === pixels[i % 4]);''', result)
            checks = {'lines': result.find_element(By.CLASS_NAME, 'lines').get_attribute('textContent') == lines,
                      'download': [link.get_attribute('download') for link in links] == ([made.name] if made else [])
                                  and (not made or download(links[0]) == made.read_bytes()),
                      'loss report': loses == ['Converting to v4 loses:'] * (name in ('WAREHOUSE.MAP', 'largest.map')),
                      'drawing': not blank}
            failures.extend(f'{name}: {check}' for check, ok in checks.items() if not ok)
        shown = driver.find_element(By.ID, 'run').get_attribute('textContent')
        failures.extend([f'script line {shown!r}'] * (shown != ':: Loading swaps.txt as a script' * script))

    dropped = driver.execute_script('''const drop = new DragEvent('drop', {bubbles: true});
        Object.defineProperty(drop, 'dataTransfer', {value: new DataTransfer()});
        ['a.map', 'swaps.txt', 'b.MAP'].forEach(name => drop.dataTransfer.items.add(new File([''], name)));
        document.body.dispatchEvent(drop);
        return [...document.querySelectorAll('#maps, #script')].flatMap(input => [...input.files].map(f => f.name));''')
    failures.extend([f'dropped files chosen as {dropped}'] * (dropped != ['a.map', 'b.MAP', 'swaps.txt']))
    driver.set_script_timeout(120)
    elapsed = convert(['largest.map'], True)
    check(['largest.map'], True)
    names = ['courtyard.map', 'WAREHOUSE.MAP', 'broken.map']
    convert(names, False)  # and no tile from the script of the run before
    check(names, False)
    driver.save_screenshot(str(screenshot))
    failures += [f'console: {entry["message"]}' for entry in driver.get_log('browser') if entry['level'] == 'SEVERE']
finally:
    driver.quit()
    shutil.rmtree(work)
print(f'page: the largest map (32767 sectors, walls and sprites) read, converted to v4 and drawn in {elapsed:.0f} ms')
print('\n'.join(failures) or f'page: {len(names)} maps as the program converts them; screenshot {screenshot}')
sys.exit(1 if failures else 0)
