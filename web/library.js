// What the game needs from the browser beyond Emscripten's own SDL 1.2:
// turns for the browser (a yield that is not clamped, and a sleep until the
// player acts), the mixer over Web Audio with SDL_mixer's channel rules, and
// text in Latin-1. Linked with --js-library; a function named like one of
// Emscripten's replaces it.
mergeInto(LibraryManager.library, {
  // One message channel wakes the game: unlike a timer, a message is not
  // clamped to 4 ms, so a yield costs the game only what the browser does in it.
  // While the page is hidden the game is not woken at all. Once it is shown,
  // the time since it was hidden, or since the game last went to sleep if that
  // came later, is taken off the game's clock (`cache`, in ms), so every timed
  // step waits as long as it would have with the page shown. A page the
  // browser froze (a tab long hidden, Android) runs its queued wake-up only
  // after it is shown again, before or after the event that says so:
  // whichever comes first sets the clock right, so no step comes early.
  $Tour: {canal: null, reveil: null, sommeil: 0, cache: 0, cacheDepuis: 0, enAttente: null},
  $Tour__postset: function() {
    return 'document.addEventListener("visibilitychange", function() {' +
           '  if (document.hidden) { Tour.cacheDepuis = Tour.cacheDepuis || Date.now(); return; }' +
           '  Montrer();' +
           '  var reveil = Tour.enAttente; Tour.enAttente = null;' +
           '  if (reveil) reveil(); });';
  },
  // The page is shown (the event, or a wake-up that came first): the time the
  // game was kept from running comes off its clock, once.
  $Montrer__deps: ['$Tour'],
  $Montrer: function() {
    if (!Tour.cacheDepuis) return;
    Tour.cache += Math.max(0, Date.now() - Math.max(Tour.sommeil, Tour.cacheDepuis));
    Tour.cacheDepuis = 0;
  },
  // The game goes to sleep now: what it waits for wakes it through Reveiller.
  $Endormir__deps: ['$Tour'],
  $Endormir: function() {
    Tour.sommeil = Date.now();
  },
  // Wakes the game.
  $Reveiller__deps: ['$Tour', '$Reprendre'],
  $Reveiller: function(wakeUp) {
    if (!Tour.canal) {
      Tour.canal = new MessageChannel();
      Tour.canal.port1.onmessage = Reprendre;
    }
    Tour.reveil = wakeUp;
    Tour.canal.port2.postMessage(0);
  },
  // The message: the game goes on now, or once the page is shown again.
  $Reprendre__deps: ['$Tour', '$Montrer'],
  $Reprendre: function() {
    var reveil = Tour.reveil;
    Tour.reveil = null;
    if (document.hidden) {
      Tour.enAttente = reveil;
    } else {
      Montrer();
      reveil();
    }
  },
  web_temps_cache__deps: ['$Tour'],
  web_temps_cache__sig: 'i',
  web_temps_cache: function() {
    return Tour.cache;
  },

  web_rendre_la_main__deps: ['$Endormir', '$Reveiller'],
  web_rendre_la_main__sig: 'v',
  web_rendre_la_main: function() {
    return Asyncify.handleSleep(function(wakeUp) {
      Endormir();
      Reveiller(wakeUp);
    });
  },

  // Sleeps `ms`, then wakes by a message: a timer that woke the game itself
  // would be clamped to 4 ms once timers nest.
  web_dormir__deps: ['$Endormir', '$Reveiller'],
  web_dormir__sig: 'vi',
  web_dormir: function(ms) {
    return Asyncify.handleSleep(function(wakeUp) {
      Endormir();
      setTimeout(function() { Reveiller(wakeUp); }, ms);
    });
  },

  // Sleeps until the player presses, releases or moves something (SDL's own
  // listeners have queued it by the time the game wakes), or at most `ms`.
  web_attendre_entree__deps: ['$Endormir', '$Reveiller'],
  web_attendre_entree__sig: 'vi',
  web_attendre_entree: function(ms) {
    return Asyncify.handleSleep(function(wakeUp) {
      var types = ['keydown', 'keyup', 'mousedown', 'mouseup', 'mousemove', 'wheel', 'touchstart', 'touchend', 'touchmove'];
      Endormir();
      var minuteur;
      var fin = function() {
        types.forEach(function(t) { window.removeEventListener(t, fin, true); });
        clearTimeout(minuteur);
        Reveiller(wakeUp);
      };
      types.forEach(function(t) { window.addEventListener(t, fin, true); });
      minuteur = setTimeout(fin, ms);
    });
  },

  // Sleeps while `chemin` is a file the page is still fetching (`attendus`: a
  // promise per path, settled once the file is written or has failed). With
  // nothing to wait for, wakeUp is called at once: the call Asyncify makes
  // again to resume the game must go through handleSleep too, or it traps.
  web_attendre_fichier__deps: ['$Endormir', '$Reveiller'],
  web_attendre_fichier__sig: 'vi',
  web_attendre_fichier: function(chemin) {
    return Asyncify.handleSleep(function(wakeUp) {
      var attendu = Module['attendus'] && Module['attendus'][UTF8ToString(chemin)];
      if (!attendu) return wakeUp();
      Endormir();
      attendu.then(function() { Reveiller(wakeUp); });
    });
  },

  // Decodes a picture (by the browser, as SDL's IMG_Load expects) the first
  // time the game opens it: decoding them all with the data file held the
  // card back by a third of a second on a slow phone. A file that is not a
  // picture the browser reads is left to IMG_Load, which refuses it.
  web_decoder_image__deps: ['$Endormir', '$Reveiller', '$PATH_FS', '$FS'],
  web_decoder_image__sig: 'vi',
  web_decoder_image: function(chemin) {
    return Asyncify.handleSleep(function(wakeUp) {
      var nom = PATH_FS.resolve(UTF8ToString(chemin)), octets;
      if (Module['preloadedImages'][nom] || !/\.(jpg|jpeg|png|bmp)$/i.test(nom)) return wakeUp();
      try {
        octets = FS.readFile(nom);
      } catch (e) {
        return wakeUp();
      }
      Endormir();
      var adresse = URL.createObjectURL(new Blob([octets]));
      var image = new Image();
      var fin = function() {
        URL.revokeObjectURL(adresse);
        Reveiller(wakeUp);
      };
      image.onload = function() {
        var toile = document.createElement('canvas');
        toile.width = image.width;
        toile.height = image.height;
        toile.getContext('2d').drawImage(image, 0, 0);
        Module['preloadedImages'][nom] = toile;
        fin();
      };
      image.onerror = fin;
      image.src = adresse;
    });
  },

  // What the browser's SDL gets before it starts.
  // - Keys: the game gets the keys it reads, plain ones; the browser keeps its
  //   shortcuts (Ctrl, Alt or Cmd held, F5, F12), Tab, which leaves the canvas
  //   for the page's controls, the keys of those controls, and every key once
  //   the game has ended: SDL would cancel them all.
  // - Pixel formats: SDL leaves each channel's shift and loss unset, so code
  //   that reads a pixel's alpha through them reads garbage.
  web_completer_sdl__deps: ['$SDL'],
  web_completer_sdl__sig: 'v',
  web_completer_sdl: function() {
    var recevoir = SDL.receiveEvent;
    SDL.receiveEvent = function(event) {
      if (runtimeExited || ABORT) return;
      if (event.type == 'keydown' || event.type == 'keyup' || event.type == 'keypress') {
        var ecran = Module['canvas'], cible = event.target;
        var page = cible !== ecran && cible !== document.body && cible !== document.documentElement && cible !== document;
        if (event.ctrlKey || event.altKey || event.metaKey || event.key == 'F5' || event.key == 'F12' || page ||
            event.key == 'Tab') {
          return;
        }
      }
      recevoir(event);
    };
    var creer = SDL.makeSurface;
    SDL.makeSurface = function() {
      var surf = creer.apply(SDL, arguments);
      var format = {{{ makeGetValue('surf', C_STRUCTS.SDL_Surface.format, 'void*') }}};
      [[{{{ C_STRUCTS.SDL_PixelFormat.Rmask }}}, {{{ C_STRUCTS.SDL_PixelFormat.Rloss }}}, {{{ C_STRUCTS.SDL_PixelFormat.Rshift }}}],
       [{{{ C_STRUCTS.SDL_PixelFormat.Gmask }}}, {{{ C_STRUCTS.SDL_PixelFormat.Gloss }}}, {{{ C_STRUCTS.SDL_PixelFormat.Gshift }}}],
       [{{{ C_STRUCTS.SDL_PixelFormat.Bmask }}}, {{{ C_STRUCTS.SDL_PixelFormat.Bloss }}}, {{{ C_STRUCTS.SDL_PixelFormat.Bshift }}}],
       [{{{ C_STRUCTS.SDL_PixelFormat.Amask }}}, {{{ C_STRUCTS.SDL_PixelFormat.Aloss }}}, {{{ C_STRUCTS.SDL_PixelFormat.Ashift }}}]
      ].forEach(function(canal) {
        var masque = HEAPU32[(format + canal[0]) >> 2], decalage = 0, bits = 0;
        while (masque && !((masque >>> decalage) & 1)) decalage++;
        for (var m = masque >>> decalage; m & 1; m >>>= 1) bits++;
        HEAPU8[format + canal[1]] = 8 - bits;
        HEAPU8[format + canal[2]] = decalage;
      });
      return surf;
    };
  },

  // F11: the page's scene (the canvas's frame) in or out of full screen.
  web_basculer_plein_ecran__sig: 'v',
  web_basculer_plein_ecran: function() {
    var scene = Module['canvas'].parentNode.parentNode;
    if (document.fullscreenElement) {
      document.exitFullscreen().catch(function() {});
    } else if (scene.requestFullscreen) {
      scene.requestFullscreen().catch(function(e) { err('plein \u00e9cran refus\u00e9 : ' + e); });
    }
  },

  // The mixer. Every chunk is PCM in the format opened (signed 16 bits,
  // interleaved); a channel plays one chunk at a time.
  $Mixeur: {contexte: null, frequence: 22050, canauxSortie: 2, canaux: [], morceaux: [null]},
  $Mixeur__postset: function() {
    return 'Mixeur.arreter = function(c) {' +
           '  var canal = Mixeur.canaux[c];' +
           '  if (canal && canal.source) { var s = canal.source; canal.source = null; canal.morceau = 0;' +
           '    s.onended = null; try { s.stop(); } catch (e) {} s.disconnect(); }' +
           '};';
  },
  Mix_OpenAudio__deps: ['$Mixeur'],
  Mix_OpenAudio: function(frequency, format, channels, chunksize) {
    // The page makes the context on the player's click, when the browser allows sound.
    Mixeur.contexte = Module['audioContext'] || new AudioContext();
    // A hidden page is silent; shown again, it sounds (the page's sound
    // control mutes with a gain of its own, so the two never fight).
    var contexte = Mixeur.contexte;
    document.addEventListener('visibilitychange', function() {
      if (contexte.state == 'closed') return;
      if (document.hidden) contexte.suspend().catch(function() {});
      else contexte.resume().catch(function() {});
    });
    Mixeur.frequence = frequency;
    Mixeur.canauxSortie = channels;
    return 0;
  },
  Mix_QuerySpec__deps: ['$Mixeur'],
  Mix_QuerySpec: function(frequency, format, channels) {
    if (frequency) {{{ makeSetValue('frequency', '0', 'Mixeur.frequence', 'i32') }}};
    if (format) {{{ makeSetValue('format', '0', '0x8010', 'i16') }}}; // AUDIO_S16LSB
    if (channels) {{{ makeSetValue('channels', '0', 'Mixeur.canauxSortie', 'i32') }}};
    return 1;
  },
  Mix_AllocateChannels__deps: ['$Mixeur'],
  Mix_AllocateChannels: function(num) {
    for (var c = num; c < Mixeur.canaux.length; c++) Mixeur.arreter(c);
    Mixeur.canaux.length = num;
    for (var c = 0; c < num; c++) Mixeur.canaux[c] = Mixeur.canaux[c] || {source: null, morceau: 0};
    return num;
  },
  Mix_QuickLoad_RAW__deps: ['$Mixeur'],
  Mix_QuickLoad_RAW: function(mem, len) {
    var n = Mixeur.canauxSortie;
    var trames = (len >> 1) / n | 0;
    if (!Mixeur.contexte || trames == 0) return 0;
    var tampon = Mixeur.contexte.createBuffer(n, trames, Mixeur.frequence);
    for (var c = 0; c < n; c++) {
      var voie = tampon.getChannelData(c);
      for (var i = 0; i < trames; i++) voie[i] = {{{ makeGetValue('mem', '(i * n + c) * 2', 'i16') }}} / 32768;
    }
    Mixeur.morceaux.push(tampon);
    return Mixeur.morceaux.length - 1;
  },
  Mix_FreeChunk__deps: ['$Mixeur'],
  Mix_FreeChunk: function(id) {
    // As SDL_mixer does: the chunk stops on every channel first.
    for (var c = 0; c < Mixeur.canaux.length; c++) if (Mixeur.canaux[c].morceau == id) Mixeur.arreter(c);
    Mixeur.morceaux[id] = null;
  },
  Mix_PlayChannel__deps: ['$Mixeur'],
  Mix_PlayChannel: function(channel, id, loops) {
    var tampon = Mixeur.morceaux[id];
    if (!tampon || !Mixeur.contexte) return -1;
    if (channel == -1) {
      for (var c = 0; c < Mixeur.canaux.length && channel == -1; c++) if (!Mixeur.canaux[c].source) channel = c;
      if (channel == -1) return -1;
    }
    var canal = Mixeur.canaux[channel];
    if (!canal) return -1;
    Mixeur.arreter(channel);
    var source = Mixeur.contexte.createBufferSource();
    source.buffer = tampon;
    source.loop = loops != 0; // the game loops for ever (-1) or plays once (0)
    source.connect(Module['sortieSon'] || Mixeur.contexte.destination); // the page's sound control
    source.onended = function() { if (canal.source === source) { canal.source = null; canal.morceau = 0; } };
    canal.source = source;
    canal.morceau = id;
    source.start();
    return channel;
  },
  Mix_HaltChannel__deps: ['$Mixeur'],
  Mix_HaltChannel: function(channel) {
    for (var c = 0; c < Mixeur.canaux.length; c++) if (channel == -1 || c == channel) Mixeur.arreter(c);
    return 0;
  },
  Mix_Pause__deps: ['$Mixeur'],
  Mix_Pause: function(channel) {
    for (var c = 0; c < Mixeur.canaux.length; c++) {
      var s = Mixeur.canaux[c].source;
      if (s && (channel == -1 || c == channel)) s.playbackRate.value = 0;
    }
  },
  Mix_CloseAudio__deps: ['$Mixeur'],
  Mix_CloseAudio: function() {
    for (var c = 0; c < Mixeur.canaux.length; c++) Mixeur.arreter(c);
  },

  // Texts are Latin-1 bytes: one byte, one character.
  $Latin1: function(ptr) {
    var s = '';
    for (var o; (o = HEAPU8[ptr]); ptr++) s += String.fromCharCode(o);
    return s;
  },
  $TexteSurface__deps: ['$Latin1', '$SDL', '$SDL_ttfContext'],
  $TexteSurface: function(font, text, color, fond) {
    var donnees = SDL.fonts[font];
    var chaine = Latin1(text) || ' ';
    var police = SDL.makeFontString(donnees.size, donnees.name);
    var ctx = SDL_ttfContext();
    ctx.font = police;
    var w = ctx.measureText(chaine).width | 0, h = donnees.size;
    var surf = SDL.makeSurface(w, h, 0, false, 'text:' + chaine);
    var s = SDL.surfaces[surf];
    s.ctx.save();
    if (fond) {
      s.ctx.fillStyle = SDL.loadColorToCSSRGB(fond);
      s.ctx.fillRect(0, 0, w, h);
    }
    s.ctx.fillStyle = SDL.loadColorToCSSRGB(color);
    s.ctx.font = police;
    s.ctx.textBaseline = 'bottom';
    s.ctx.fillText(chaine, 0, h);
    s.ctx.restore();
    return surf;
  },
  TTF_RenderText_Solid__deps: ['$TexteSurface'],
  TTF_RenderText_Solid: function(font, text, color) {
    return TexteSurface(font, text, color, 0);
  },
  TTF_RenderText_Shaded__deps: ['$TexteSurface'],
  TTF_RenderText_Shaded: function(font, text, fg, bg) {
    return TexteSurface(font, text, fg, bg);
  },
  TTF_SizeText__deps: ['$Latin1', '$SDL', '$SDL_ttfContext'],
  TTF_SizeText: function(font, text, w, h) {
    var donnees = SDL.fonts[font];
    var ctx = SDL_ttfContext();
    ctx.font = SDL.makeFontString(donnees.size, donnees.name);
    if (w) {{{ makeSetValue('w', '0', 'ctx.measureText(Latin1(text)).width | 0', 'i32') }}};
    if (h) {{{ makeSetValue('h', '0', 'donnees.size', 'i32') }}};
    return 0;
  },

  // The caption is the page's title.
  SDL_WM_SetCaption__deps: ['$Latin1'],
  SDL_WM_SetCaption: function(title, icon) {
    if (title) document.title = Latin1(title);
  },
});
