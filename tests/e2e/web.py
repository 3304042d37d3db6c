#!/usr/bin/python3
"""The browser build played in Debian's headless Chromium as tests/e2e/run.sh plays the desktop game, judged
from outside: canvas screenshots, the browser's log, the page's kept output and file system, and an injected
script noting every Web Audio source started and every full-screen fill (for the pacing figures printed); the
DevTools protocol slows the link and makes a phone that is tapped; the host, python3 -m http.server's own handler,
fails as hosts do (a file refused, no answer, 503) and is replaced by a new build.
    tests/e2e/web.py build-web [desktop map.map]
    WEB_PARTS="update bad_hosts" tests/e2e/web.py build-web    # only these parts, in the scenario's order
"""
import base64, gzip, hashlib, http.server, io, os, re, shutil, statistics, sys, tempfile, threading, time
from PIL import Image, ImageChops, ImageStat
from selenium import webdriver
from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

SITE = sys.argv[1]
LINUX_MAP = sys.argv[2] if len(sys.argv) > 2 else ''
DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'data', 'rsrc_img')
CORPUS = os.path.join(DATA, '..', '..', 'tests', 'fuzz', 'corpus')
# The layout run.sh checks: buttons 420 x 90 centred at x 320, the text box bottom-centred.
BTN = {'newgame': 200, 'loadgame': 350, 'exit': 500}
BOX = (30, 550, 1030, 740)
ABOVE_BOX = (0, 60, 1060, 540)  # below the page's controls in the top right corner
LEFT_STRIP = (0, 0, 300, 740)
# The text box's lengths, as it prints them: the load-game text, then the intro's 8 + 1 + 10 boxes.
LONGUEURS = [101, 22, 15, 33, 43, 33, 12, 30, 24, 2, 24, 28, 41, 25, 42, 30, 17, 38, 45, 18]
INIT = b'\n#INIT Chaine initialis\xe9 #INIT_END\n'
SPY = """
window.sons = []; window.pleins = [];
addEventListener('click', () => { window.clic = window.clic || performance.now(); }, true);
const start = AudioBufferSourceNode.prototype.start, lire = Date.now;
// With each sound, the game's clock (Date.now) as last read: its steps on its own clock, whatever the machine's load.
let lu = 0; Date.now = () => (lu = lire());
AudioBufferSourceNode.prototype.start = function() {
  sons.push({t: performance.now(), d: lu, loop: this.loop, s: this.buffer.duration});
  return start.apply(this, arguments);
};
window.vues = []; window.etats = [];
addEventListener('visibilitychange', () => vues.push([performance.now(), document.hidden, lire()]), true);
const Contexte = AudioContext;
window.AudioContext = class extends Contexte {
  constructor() { super(); this.onstatechange = () => etats.push([performance.now(), this.state]); }
};
// The mean grey of the portrait's area above the box and of the top-left corner, every 25 ms.
window.sonder = () => {
  const c = jeu.canvas.getContext('2d'), gris = (x, y, w, h) => {
    let s = 0, d = c.getImageData(x, y, w, h).data;
    for (let i = 0; i < d.length; i += 16) s += d[i] + d[i + 1] + d[i + 2];  // every fourth pixel
    return s / d.length * 16 / 3;
  };
  window.fondu = [];
  const sonde = setInterval(() => fondu.push([gris(320, 220, 420, 320), gris(0, 0, 100, 100)]), 25);
  window.assez = () => clearInterval(sonde);
};
const fill = CanvasRenderingContext2D.prototype.fillRect;
CanvasRenderingContext2D.prototype.fillRect = function(x, y, w, h) {
  if (w == 1060 && h == 740 && this.canvas.id == 'ecran') pleins.push([performance.now(), this.fillStyle]);
  return fill.apply(this, arguments);
};
"""
passed = failed = 0

def check(what, good):
    global passed, failed
    passed, failed = passed + bool(good), failed + (not good)
    print(('ok - ' if good else 'FAIL - ') + what, flush=True)
    return good

def until(seconds, f):
    end = time.time() + seconds
    while time.time() < end:
        r = f()
        if r:
            return r

def shot():
    return Image.open(io.BytesIO(canvas().screenshot_as_png)).convert('RGB').resize((1060, 740))

def near(img, box, rgb, tol):
    bands = [b.point(lambda v, c=c: 255 if abs(v - c) <= tol else 0) for b, c in zip(img.crop(box).split(), rgb)]
    return ImageChops.multiply(ImageChops.multiply(bands[0], bands[1]), bands[2]).histogram()[255]

def diff_to(img, box, picture):
    ref = Image.open(os.path.join(DATA, picture)).convert('RGB').crop((0, 0, box[2] - box[0], box[3] - box[1]))
    return sum(ImageStat.Stat(ImageChops.difference(img.crop(box), ref)).mean) / 3 / 255

def mean(img, box):
    return ImageStat.Stat(img.crop(box).convert('L')).mean[0] / 255

def on_title():
    return diff_to(shot(), LEFT_STRIP, 'menu.jpg') < 0.04

def in_menu(img=None):
    return diff_to(img or shot(), LEFT_STRIP, 'Menu/menu.jpg') < 0.04

def point(x, y, click=False):
    r = canvas().rect
    a = ActionChains(driver).move_to_element_with_offset(
        canvas(), (x - 530) * r['width'] / 1060, (y - 370) * r['height'] / 740)
    (a.click() if click else a).perform()

key = lambda k: ActionChains(driver).send_keys(k).perform()

def replace(**files):
    """A script writing files of the sound corpus over game files: replace(click_wav='game-....ogg')."""
    def write(game, corpus):
        data = base64.b64encode(open(os.path.join(CORPUS, corpus), 'rb').read()).decode()
        return 'jeu.FS.writeFile("rsrc_snd/%s", Uint8Array.from(atob("%s"), c => c.charCodeAt(0)));' % (game, data)
    return ''.join(write(g.replace('__', '/').replace('_', '.'), c) for g, c in files.items())

def sons(since=0):
    return [s for s in driver.execute_script('return sons') if s['t'] > since]

now = lambda: driver.execute_script('return performance.now()')

def cpu(seconds):
    """Processor time of every Chromium process over `seconds`, in % of one core (a README figure)."""
    def usage():
        stat = {}
        for pid in filter(str.isdigit, os.listdir('/proc')):
            try:
                f = open('/proc/%s/stat' % pid).read().rsplit(')', 1)[1].split()
                stat[pid] = (f[1], int(f[11]) + int(f[12]))
            except OSError:
                pass
        family = {str(driver.service.process.pid)}
        for generation in range(6):  # chromedriver, the browser, its zygotes, their children
            family |= {p for p, (parent, _) in stat.items() if parent in family}
        return {p: stat[p][1] for p in family}
    a = usage()
    time.sleep(seconds)
    return 100.0 * sum(t - a.get(p, 0) for p, t in usage().items()) / os.sysconf('SC_CLK_TCK') / seconds

def prevented(target, keys):
    """Which of `keys` the page cancels when they are pressed on `target`, a script expression."""
    return driver.execute_script('return arguments[0].map(k => !%s.dispatchEvent(new KeyboardEvent("keydown", '
                                 '{key: k, ctrlKey: k == "r", bubbles: true, cancelable: true})))' % target, keys)

def settled(previous):
    """A text box other than `previous`, fully typed: the same in looks a second apart."""
    def same():
        a = shot().crop(BOX).tobytes()
        time.sleep(1)
        img = shot()
        return img if a == img.crop(BOX).tobytes() and a != previous and mean(img, BOX) > 0.05 else None
    return until(40, same)

def lit(name):
    img, box = shot(), (320, BTN[name], 740, BTN[name] + 90)
    d_lit, d_normal = diff_to(img, box, 'Menu/%sb.jpg' % name), diff_to(img, box, 'Menu/%s.jpg' % name)
    return d_lit < 0.05 and d_lit < d_normal

def ended():
    return 'termin' in invite() and not driver.find_element(By.ID, 'carte').get_attribute('hidden')

invite = lambda: driver.find_element(By.ID, 'invite').text
# The card is a button named by its prompt.
card_ready = lambda prompt='Cliquer pour jouer': invite() == prompt and driver.execute_script(
    'var b = document.getElementById("jouer"); return !b.hidden && b.getAttribute("aria-label")') == prompt
cdp = lambda command, **args: driver.execute_cdp_cmd(command, args)
bar = lambda: driver.execute_script('return document.getElementById("barre").value')

retry_button = lambda: driver.find_elements(By.XPATH, '//button[text()="R\u00e9essayer"]')
note = lambda: driver.execute_script('return document.getElementById("note").textContent')
modules = lambda: driver.execute_script('return document.querySelectorAll("script[src^=blob]").length')

def loading():
    """The host refusing the data file: the error, "R\u00e9essayer" pressed twice. A slow first visit, nothing kept."""
    hote['panne'] = '.data.gz'
    driver.get(url)
    retry = until(10, retry_button)
    check('loading: a data file that cannot arrive is said in French, with "R\u00e9essayer", the detail in the console '
          '(%r)' % invite(), retry and 'pas pu' in invite() and 'data' not in note())
    hote['panne'] = None
    driver.execute_script('arguments[0].click(); arguments[0].click()', retry[0])
    check('loading: "R\u00e9essayer" pressed twice loads the game once', until(20, card_ready) and modules() == 1)
    cdp('Network.enable')
    cdp('Storage.clearDataForOrigin', origin=url[:-1], storageTypes='service_workers,cache_storage')
    cdp('Network.setCacheDisabled', cacheDisabled=True)
    cdp('Network.emulateNetworkConditions', offline=False, latency=150, downloadThroughput=200000, uploadThroughput=100000)
    hote['retenu'] = '.mp3'  # the music, held until the intro has begun (play)
    driver.get(url)
    seen, texts = [], set()
    until(60, lambda: seen.append(bar()) or texts.add(note()) or card_ready())
    print('# slow first visit (1.6 Mbit/s, 150 ms): card ready %.1f s after the page was opened, %.2f MB sent' % (now() / 1000,
          driver.execute_script('return performance.getEntries().reduce((n, e) => n + (e.transferSize || 0), 0)') / 1e6))
    moving, texts = sorted(set(v for v in seen if 0 < v < 1)), texts - {''}
    check('loading: on a slow link the bar moves forward, its text with both units (%s; %s)'
          % (', '.join('%.3f' % v for v in moving[:4]), sorted(texts)[:2]), len(moving) >= 3 and seen == sorted(seen)
          and all(re.fullmatch('\\d+,\\d\u00a0Mo sur \\d+,\\d\u00a0Mo', t) for t in texts)
          and len({t.split(' sur ')[1] for t in texts}) == 1)
    cdp('Network.emulateNetworkConditions', offline=False, latency=0, downloadThroughput=-1, uploadThroughput=-1)
    cdp('Network.setCacheDisabled', cacheDisabled=False)

def start(card_ready_then=None, opened=False):
    if not opened:
        driver.get(url)
    check('card: "Cliquer pour jouer" shown once the game is loaded', until(30, card_ready))
    ready = now()
    check('card: no sound before the click', sons() == [])
    if card_ready_then:
        driver.execute_script(card_ready_then)
    driver.find_element(By.ID, 'carte').click()
    first = until(10, lambda: driver.execute_script('return pleins.length && pleins[0][0] - clic'))
    print('# first frame: card ready %.0f ms after the page was opened, the game\'s first frame %.0f ms after the click'
          % (ready, first or -1))

def play():
    loading()
    start(opened=True)
    title = {'most': 0, 'least': 10 ** 6}
    def blinks():
        n = near(shot(), (0, 270, 1060, 470), (245, 245, 245), 2)
        title['most'], title['least'] = max(title['most'], n), min(title['least'], n)
        return title['most'] >= 1500 and title['least'] * 20 <= title['most']
    check('title: the prompt blinks (%(most)d near-white pixels at most, %(least)d at least)' % title if until(20, blinks)
          else 'title: the prompt blinks', title['most'] >= 1500 and title['least'] * 20 <= title['most'])
    check('title: Ctrl+R, F5, F12 and Tab on the game are the browser\'s (none cancelled)',
          prevented('jeu.canvas', ['r', 'F5', 'F12', 'Tab']) == [False] * 4)
    # At least eight blink phases for the pacing figures.
    print('# cpu title: %.0f %% of one core (every Chromium process, 5 s)' % cpu(5))
    check('title: background is the title picture (the shortcuts did not leave it)',
          on_title())
    # A page's title reads with its runs of spaces collapsed.
    check('title: the page title is the caption (%r)' % driver.title, driver.title == 'Duskwane by Pellimor/ QV')
    check('title: the wind starts with the title, looping', [s['loop'] for s in sons()][:1] == [True])
    t = now()
    key(' ')
    check('menu: a key leaves the title for the menu', until(15, in_menu))
    check('menu: the click sound and the menu wind start', sorted(s['loop'] for s in sons(t)) == [False, True])
    t = now()
    point(537, 248)
    check('menu: new game lights up under the pointer', until(10, lambda: lit('newgame')))
    check('menu: the hover sound starts', until(5, lambda: [s for s in sons(t) if not s['loop']]))
    print('# cpu menu: %.0f %% of one core (every Chromium process, 5 s)' % cpu(5))

    t = now()
    point(530, BTN['loadgame'] + 45, click=True)
    # Another tab in front hides the game's halfway through its typing.
    until(10, lambda: len(sons(t)) > 20)
    page = driver.current_window_handle
    driver.switch_to.new_window('tab')
    print('# cpu hidden: %.0f %% of one core (every Chromium process, 2 s)' % cpu(2))
    driver.close()
    driver.switch_to.window(page)
    img = settled(None)
    vues = driver.execute_script('return vues')
    (hide, _, gone), (show, _, back) = next((v for v in vues if v[1]), [0] * 3), next((v for v in vues[::-1] if not v[1]), [0] * 3)
    ticks = [s for s in sons(t) if s['s'] < 0.045]
    steps = [b['d'] - a['d'] - (back - gone if a['t'] < hide < b['t'] else 0) for a, b in zip(ticks, ticks[1:])]
    states = [e for v, e in driver.execute_script('return etats') if v > hide]
    hidden = [s for s in ticks if hide <= s['t'] <= show]
    # The rule: more than 51 ms on the game's clock; the hidden time as the test reads it may be a millisecond off.
    check('hidden tab: no tick and no sound while hidden; shown, the typing goes on, each step waiting its 51 ms '
          '(%d ticks, %d hidden, shortest step %.1f ms; sound %s)' % (len(ticks), len(hidden), min(steps), states),
          0 < hide < show and not hidden and len(ticks) > LONGUEURS[0] and min(steps) >= 51
          and states[:2] == ['suspended', 'running'])
    check('load game: the test text is typed in red in the box', img and near(img, BOX, (250, 0, 0), 10) > 500)
    check('load game: a tick per step (%d sounds)' % len(sons(t)), len(sons(t)) > LONGUEURS[0])
    key(' ')
    check('load game: a key brings the menu back, without the box',
          until(15, lambda: (lambda i: in_menu(i) and near(i, BOX, (250, 0, 0), 10) == 0)(shot())))

    t = now()
    point(530, BTN['newgame'] + 45, click=True)
    time.sleep(1)
    check('intro: the music still on its way, the intro waits for it on black', mean(shot(), BOX) < 0.003)
    hote['retenu'] = None
    previous, boxes = None, 0
    while True:
        img = settled(previous)
        if not img:
            break
        previous = img.crop(BOX).tobytes()
        if mean(img, ABOVE_BOX) > 0.9:
            break
        boxes += 1
        key(' ')
    check('intro: eight dialogue boxes over black (saw %d)' % boxes, boxes == 8)
    check('intro: the music starts with the intro', [s for s in sons(t) if s['s'] > 20][:1])
    palest = img.crop(ABOVE_BOX).convert('L').getextrema()[0] if img else 0
    check('intro: the white-out reaches white above the box (darkest %d)' % palest, palest >= 250)
    driver.execute_script('sonder()')
    key(' ')
    until(30, lambda: mean(shot(), (0, 0, 100, 100)) < 0.02)  # the second portrait, on black
    for line in range(10):
        img = settled(previous)
        if not img:
            break
        previous = img.crop(BOX).tobytes()
        if line == 0:
            fondu = driver.execute_script('assez(); return fondu')
            white = [p for p, corner in fondu if corner >= 250] or [0]
            want = sum(ImageStat.Stat(Image.open(os.path.join(DATA, 'Zorvik.jpg')).crop((0, 0, 420, 320))).mean) / 3
            levels = len({round(p) for p in white})
            check('intro: the portrait fades in step by step while the corner stays white (%d levels, %.0f to %.0f; '
                  'the picture %.0f)' % (levels, white[0], white[-1], want), levels >= 10
                  and all(b <= a + 1 for a, b in zip(white, white[1:])) and abs(white[-1] - want) < 10)
            check('intro: the monologue under the second portrait, on black',
                  mean(img, (0, 0, 100, 100)) < 0.02 and mean(img, (280, 120, 780, 540)) > 0.05)
        key(' ')
    check('intro: after ten monologue lines, black', until(15, lambda: mean(shot(), (0, 0, 1060, 740)) < 0.003))
    point(530, 100, click=True)
    check('intro: a click brings the menu back', until(15, in_menu))

    point(530, BTN['exit'] + 45, click=True)
    check('exit: the exit button ends the game, the page says so and offers to play again', until(10, ended))
    check('exit: the page then cancels no key', prevented('document.body', ['r', 'F5', 'Tab', ' ']) == [False] * 4)
    out = bytes(driver.execute_script('return sortie'))
    lengths = [int(x.split(b' #in')[0]) for x in out.split(b'la chaine est de : ')[1:]]
    check('output: the text box lines byte for byte (%d boxes)' % out.count(INIT),
          out.count(INIT) == 20 and lengths == LONGUEURS and b'\n#apr\xe8s le !' in out)
    log = [m['message'] for m in driver.get_log('browser')]
    check('console: the lines decoded as Latin-1', any('#INIT Chaine initialis\u00e9 #INIT_END' in m for m in log))
    m = bytes(driver.execute_script('return jeu.FS.readFile("map.map")'))
    want = open(LINUX_MAP, 'rb').read() if os.path.exists(LINUX_MAP) else m
    check('map.map: %d bytes with LF, as on Linux' % len(m), len(m) == 1215 and b'\r' not in m and m == want)
    return driver.execute_script('return [sons, pleins]')

def no_menu_picture():
    driver.set_window_size(800, 640)
    # And from the sound corpus: a Vorbis codebook of 4 M entries in place of the wind (its 48 MB sort on the stack
    # killed the game), two Ogg links of 300 ms for the click, 20 MP3 frames of 576 samples at 22,050 Hz behind two
    # ID3 tags for the hover sound (0.5 s: the decoder's delay of 529 samples comes off).
    start('jeu.FS.unlink("rsrc_img/Menu/menu.jpg");' + replace(
        Menu__wind_wav='refused-ogg-codebook-4m-entries.ogg', Menu__click_wav='game-ogg-chain-sine-441hz-600ms.ogg',
        Menu__sound82_wav='game-bratja-two-id3-128-then-6000.mp3'))
    key(' ')
    check('menu without its picture: the red card', until(15, lambda: near(shot(), (0, 0, 1060, 740), (250, 0, 0), 4) > 700000))
    point(530, 100, click=True)
    point(537, 248)
    check('menu without its picture: scaled down, new game still lights under the pointer',
          until(10, lambda: lit('newgame')) and canvas().rect['width'] < 1060)
    full = lambda: driver.execute_script('return document.fullscreenElement && document.fullscreenElement.id')
    key('\ue03b')
    check('F11: the scene goes full screen, new game still lights', until(5, full) == 'scene' and until(10, lambda: lit('newgame')))
    key('\ue03b')
    check('F11 again: back in the window', until(5, lambda: not full()))
    key('\ue00c')
    check('menu without its picture: Escape ends the game', until(10, ended))
    check('output: the missing picture is reported',
          b'rsrc_img/Menu/menu.jpg : Couldn\'t open' in bytes(driver.execute_script('return sortie')))
    played = sorted(round(s['s'], 3) for s in sons())
    check('output: the wind\'s codebooks are refused with their line; the chained Ogg and the tagged MP3 play whole '
          '(%s s)' % played, b'son rsrc_snd/Menu/wind.wav : dictionnaires Vorbis trop grands #'
          in bytes(driver.execute_script('return sortie')) and not any(s['loop'] for s in sons())
          and {round(d, 2) for d in played} == {0.5, 0.6})
    focused = lambda: driver.switch_to.active_element.get_attribute('id') or driver.switch_to.active_element.text
    check('end: "Rejouer" has the focus', focused() == 'Rejouer')
    key('\ue004')
    ring = driver.execute_script('var s = getComputedStyle(document.activeElement); return s.outlineStyle + s.outlineWidth')
    check('end: Tab goes on to the full-screen control, ringed (%s)' % ring, focused() == 'plein' and ring == 'solid3px')
    # Headless Chromium keeps a strip of its 1080 px screen in full screen: the picture fills what the page gets.
    height = lambda: (canvas().rect['height'], driver.execute_script('return innerHeight'))
    key('\ue007')
    tall = until(5, lambda: full() == 'scene' and (lambda h: h if abs(h[0] - h[1]) <= 1 and h[1] > 900 else None)(height()))
    key('\ue007')
    check('the full-screen control: Enter puts the scene in full screen, the picture its height (%s), Enter again back'
          % (tall or height(),), tall and until(5, lambda: not full()))
    driver.find_element(By.ID, 'plein').click()
    clicked = until(5, full)
    driver.find_element(By.ID, 'plein').click()
    check('the full-screen control: a click in, a click out', clicked and until(5, lambda: not full()) and canvas().rect['height'] < 640)
    ActionChains(driver).key_down('\ue008').send_keys('\ue004').key_up('\ue008').perform()
    key(' ')
    check('play again by Shift+Tab and Space: the title comes back, with its picture', until(20, on_title))

def tap(x, y):
    r = canvas().rect
    p = [{'x': r['x'] + x * r['width'] / 1060, 'y': r['y'] + y * r['height'] / 740}]
    cdp('Input.dispatchTouchEvent', type='touchStart', touchPoints=p)
    cdp('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[])

def phone(w=390, h=844):
    """A phone, taps only: upright, then sideways through the menu, the load-game box and the exit."""
    cdp('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)
    cdp('Emulation.setDeviceMetricsOverride', width=w, height=h, deviceScaleFactor=3, mobile=True)
    driver.get(url)
    check('phone: the card says "Toucher pour jouer"', until(20, lambda: card_ready('Toucher pour jouer')))
    # From the sound corpus: a sine of 2 s whose middle page is lost for the tick; the click, 851 MP3 frames of 576
    # samples at 22,050 Hz (22.2 s) from a silent 8 kbps one, that a length guessed from it would put past 400 s.
    driver.execute_script(replace(Texte__txt_ogg='game-ogg-lost-page-sine-441hz-2000ms.ogg',
                                  Menu__click_wav='long/game-bratja-silent-frame.mp3'))
    t = now()
    blink = lambda: driver.execute_script('return getComputedStyle(document.getElementById("invite")).animationName')
    was = blink()
    cdp('Emulation.setEmulatedMedia', features=[{'name': 'prefers-reduced-motion', 'value': 'reduce'}])
    check('phone: the prompt blinks (%s), not where motion is to be reduced (%s)' % (was, blink()),
          was == 'clignote' and blink() == 'none')
    cdp('Emulation.setEmulatedMedia', features=[])
    hint = lambda: driver.find_element(By.ID, 'tourner').is_displayed()
    check('phone upright: a hint to turn it', hint())
    cdp('Emulation.setDeviceMetricsOverride', width=h, height=w, deviceScaleFactor=3, mobile=True,
        screenOrientation={'type': 'landscapePrimary', 'angle': 90})
    check('phone sideways: no hint, the picture the screen\'s height', until(5, lambda: not hint() and round(canvas().rect['height']) == w))
    tap(530, 370)
    until(10, on_title)
    tap(530, 370)
    check('phone: a tap on the card, then on the title, opens the menu', until(15, in_menu))
    tap(530, BTN['loadgame'] + 45)
    img = settled(None)
    check('phone: a tap on load game types the test text in red', img and near(img, BOX, (250, 0, 0), 10) > 500)
    played = [s['s'] for s in sons(t) if not s['loop']]
    check('phone: the click plays whole (%.2f s at most), a tick per step with its lost page skipped (%d of 1.4 to 2 s)'
          % (max(played + [0]), sum(1.4 <= d <= 2 for d in played)),
          any(22.1 <= d <= 22.3 for d in played) and sum(1.4 <= d <= 2 for d in played) > 20)
    tap(530, 100)
    check('phone: a tap brings the menu back', until(15, lambda: (lambda i: in_menu(i) and near(i, BOX, (250, 0, 0), 10) == 0)(shot())))
    tap(530, BTN['exit'] + 45)
    check('phone: a tap on exit ends the game', until(10, ended))
    cdp('Emulation.clearDeviceMetricsOverride')
    cdp('Emulation.setTouchEmulationEnabled', enabled=False)

def build_b():
    """A new build: each game file of the one served changed a little, under its new name, dated two days back."""
    site = tempfile.mkdtemp(prefix='duskwane-b-')
    shutil.copytree(SITE, site, dirs_exist_ok=True)
    page = open(os.path.join(site, 'index.html')).read()
    edition = re.search("id: '(\\w+)'", page)[1]
    want = ['b' + edition]
    # To the script a statement, to the module a custom section, to the data file a byte past its last file.
    for f, more in (('js', b';window.marque = "B";'), ('wasm', b'\0\2\1B'), ('data', b'B')):
        line = re.search("%s: {nom: '([^']+)'.*?}" % f, page)
        octets = open(os.path.join(SITE, line[1]), 'rb').read() + more
        name, packed = 'duskwane.%s.%s' % (hashlib.sha256(octets).hexdigest()[:12], f), gzip.compress(octets, 9, mtime=0)
        for n, b in ((line[1], None), (line[1] + '.gz', None), (name, octets), (name + '.gz', packed)):
            os.remove(os.path.join(site, n)) if b is None else open(os.path.join(site, n), 'wb').write(b)
        page = page.replace(line[0], "%s: {nom: '%s', octets: %d, gz: %d}" % (f, name, len(octets), len(packed)))
        want.append(len(octets))
    open(os.path.join(site, 'index.html'), 'w').write(page.replace(edition, want[0]))
    dated(site, 2)
    return site, want + ['B']

dated = lambda site, days: [os.utime(os.path.join(site, n), (time.time() - days * 86400,) * 2) for n in os.listdir(site)]

def running():
    return driver.execute_script('return [EDITION.id, recus.js && recus.js.size, recus.wasm && recus.wasm.byteLength, '
                                 'recus.data && recus.data.byteLength, window.marque || "A"]')

def update(site, want):
    # Build A visited: its worker in place.
    driver.get(url)
    until(30, card_ready)
    driver.execute_async_script('navigator.serviceWorker.ready.then(() => arguments[0]())')
    hote['site'], hote['panne'] = site, '.wasm.gz'
    driver.get(url)
    until(15, lambda: retry_button() or card_ready())
    check('update: the new page whose module the host refuses shows the error, no game (%s)' % running(),
          retry_button() and modules() == 0 and running()[0] == want[0])
    hote['panne'] = None
    # Reloads at once, while the new build's worker installs: one that never loads fails after 30 s.
    for visit in ['the next visit'] + ['reload %d' % n for n in range(1, 6)]:
        (driver.refresh if visit != 'the next visit' else lambda: driver.get(url))()
        until(20, card_ready)
        check('update: %s runs the new build whole (%s)' % (visit, running()), running() == want and modules() == 1)
    # The player leaves: with no page of the game open, the new build's worker takes over (offline then plays it);
    # then comes back.
    active = lambda: driver.get('chrome://serviceworker-internals/') or re.search(
        'Active worker:.*?Script: (\\S+)', driver.find_element(By.TAG_NAME, 'body').text, re.S)
    until(20, lambda: 'edition=%s&' % want[0] in (active() or [''])[0])
    driver.get(url)

def bad_hosts():
    """A returning player, the host failing: the kept build plays."""
    for panne, how in (('muet', 'accepts and never answers'), (503, 'answers 503')):
        hote['panne'] = panne
        t = time.time()
        driver.get(url) or until(15, card_ready) and driver.find_element(By.ID, 'carte').click()
        took = until(15, lambda: on_title() and time.time() - t) or 99
        check('bad host: a host that %s, a returning player reaches the title in %.1f s' % (how, took), took <= 10)
    hote['panne'] = None

def offline():
    """After these visits, installable, and playing with the server stopped."""
    driver.execute_async_script('navigator.serviceWorker.ready.then(() => arguments[0]())')
    errors = cdp('Page.getInstallabilityErrors')['installabilityErrors']
    icon = driver.execute_async_script('fetch("/favicon.ico").then(r => arguments[0](r.status))')
    check('install: the page installs as an app (%s), /favicon.ico answers %d' % (errors, icon), errors == [] and icon == 200)
    serveur.shutdown()
    serveur.server_close()
    driver.get(url)
    until(20, card_ready)
    driver.find_element(By.ID, 'carte').click()
    until(10, on_title)
    key(' ')
    served = re.search("id: '(\\w+)'", open(os.path.join(hote['site'], 'index.html')).read())[1]
    check('offline: with the server stopped, a reload reaches the menu, the build last visited (%s)' % running()[0],
          until(15, in_menu) and running()[0] == served)

def pacing(sons, pleins):
    """Text step (the ticks' starts), white-out step (grey fills), blink phase (the title's black fills)."""
    def figure(name, times, longest):
        d = [b - a for a, b in zip(times, times[1:]) if b - a < longest]
        if d:
            print('# %-15s median %.1f ms, min %.1f, max %.1f (%d steps)' % (name, statistics.median(d), min(d), max(d), len(d)))
    figure('text box step', [s['t'] for s in sons if s['s'] < 0.045], 100)
    figure('white-out step', [t for t, c in pleins if c not in ('#000000', '#ffffff') and c[1:3] == c[3:5] == c[5:7]], 100)
    figure('title blink', [t for t, c in pleins if c == '#000000'][:8], 1000)


# The site by python3 -m http.server's handler, failing as `panne` says: no answer ('muet'), 503 to all, or to a name's
# end; the files whose name ends as `retenu` says are held until it changes.
hote = {'site': SITE, 'panne': None, 'retenu': None}

class Hote(http.server.SimpleHTTPRequestHandler):
    log_message = lambda *args: None
    def do_GET(self):
        panne, self.directory = hote['panne'], hote['site']
        while panne == 'muet' and hote['panne'] == 'muet' or hote['retenu'] and self.path.endswith(hote['retenu']):
            time.sleep(0.1)
        if panne == 503 or isinstance(panne, str) and self.path.split('?')[0].endswith(panne):
            self.send_error(503)
        elif panne != 'muet':
            super().do_GET()

serveur = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Hote)
threading.Thread(target=serveur.serve_forever, daemon=True).start()
url = 'http://127.0.0.1:%d/' % serveur.server_address[1]
options = webdriver.ChromeOptions()
options.binary_location = '/usr/bin/chromium'
for a in ('--headless=new', '--no-sandbox', '--window-size=1280,900', '--screen-info={1920x1080}', '--disable-gpu'):
    options.add_argument(a)
options.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
# A navigation returns once the page is parsed, or fails after 30 s; every step then waits, bounded, for
# what the player sees.
options.page_load_strategy = 'eager'
driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
driver.set_page_load_timeout(30)
canvas = lambda: driver.find_element(By.ID, 'ecran')
try:
    time.sleep(0.5)
    driver.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': SPY})
    dated(SITE, 1)  # served a day after it was built: a browser may reuse its files for 2.4 h
    parts = os.environ.get('WEB_PARTS', 'play no_menu_picture phone update bad_hosts offline').split()
    'play' in parts and pacing(*play())
    'no_menu_picture' in parts and no_menu_picture()
    'phone' in parts and phone()
    'update' in parts and update(*build_b())
    'bad_hosts' in parts and bad_hosts()
    'offline' in parts and offline()
finally:
    driver.quit()
    hote['panne'] = None
    serveur.shutdown()
print('%d passed, %d failed' % (passed, failed))
sys.exit(1 if failed else 0)
