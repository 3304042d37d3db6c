// Keeps one build of the game, whole, so that after a first visit the page
// plays without the server (and installs as an app). The page registers the
// worker with its build in the address (service-worker.js?edition=ID&f=NAME...,
// the names carrying each file's hash) once it has received every file and
// put it in the build's copy; a new build's page registers a new worker, which
// completes its copy and waits until no page of the game is open (the browser
// then hands over), then deletes the older builds'. The page always comes
// from the network when it answers in time, so a new build arrives on the
// first visit after it is deployed; it asks for its own files by name, so a
// build's files come all from the network or all from the copy, never mixed.
'use strict';
var parametres = new URL(location.href).searchParams;
var EDITION = parametres.get('edition') || '';
var REPERTOIRE = 'duskwane-' + EDITION;
var FICHIERS = ['./', 'manifest.webmanifest', 'favicon.ico', 'duskwane-192.png', 'duskwane-512.png',
                'duskwane-masquable.png'].concat(parametres.getAll('f'));
// A host that accepts and never answers (a captive portal, a dead origin
// behind a proxy) would hold the page for minutes: past this, the copy serves.
var ATTENTE_RESEAU_MS = 4000;
// This build's files by address: the only ones the worker answers for.
var SIENS = FICHIERS.map(function(f) { return new URL(f, location.href).href; });

self.addEventListener('install', function(e) {
  e.waitUntil(caches.open(REPERTOIRE).then(function(copie) {
    return Promise.all(FICHIERS.map(function(f) {
      return copie.match(f).then(function(garde) {
        if (garde) return;
        // The page that registered this worker: another build's page would not match its files.
        return fetch(f, {cache: f === './' ? 'no-store' : 'default'}).then(function(r) {
          if (!r.ok) throw new Error(f + ' : ' + r.status);
          if (f !== './') return copie.put(f, r);
          return r.clone().text().then(function(texte) {
            if (texte.indexOf(EDITION) < 0) throw new Error('la page n\u2019est plus celle de ' + EDITION);
            return copie.put(f, r);
          });
        });
      });
    }));
  }));
  // No skipWaiting(): in Chromium, a reload made while the new worker takes
  // over that way never ends (the page before it stays, until another reload);
  // and the page comes from the network in any case, so the new build plays.
});

// This build is whole: the older ones go.
self.addEventListener('activate', function(e) {
  e.waitUntil(caches.keys().then(function(noms) {
    return Promise.all(noms.filter(function(n) { return n !== REPERTOIRE; }).map(function(n) {
      return caches.delete(n);
    }));
  }).then(function() {
    return self.clients.claim();
  }));
});

// The page from the network, fresh (a host that sends no Cache-Control would
// let the browser reuse an old one), read whole before it is handed over; the
// kept one when the network says nothing in time or fails.
function page(requete) {
  var arret = new AbortController();
  var reseau = fetch(requete.url, {cache: 'no-store', credentials: 'same-origin', signal: arret.signal}).then(function(r) {
    if (r.status >= 500 || r.redirected || !r.body) return r;
    var entetes = new Headers(r.headers);
    entetes.delete('content-encoding');
    entetes.delete('content-length');
    return r.blob().then(function(corps) {
      return new Response(corps, {status: r.status, statusText: r.statusText, headers: entetes});
    });
  });
  var delai;
  var attente = new Promise(function(ok) { delai = setTimeout(ok, ATTENTE_RESEAU_MS); });
  return Promise.race([reseau.catch(function() {}), attente]).then(function(r) {
    clearTimeout(delai);
    if (r && r.status < 500) return r.redirected ? Response.redirect(r.url) : r;
    arret.abort();
    return caches.open(REPERTOIRE).then(function(c) { return c.match('./'); }).then(function(garde) {
      return garde || r || Response.error();
    });
  });
}

self.addEventListener('fetch', function(e) {
  var requete = e.request;
  if (requete.method !== 'GET' || new URL(requete.url).origin !== location.origin) return;
  if (requete.mode === 'navigate') {
    e.respondWith(page(requete));
    return;
  }
  // This build's files from its copy. Another build's go to the network past
  // the worker, which would otherwise carry their bytes, cut off if it stops.
  if (SIENS.indexOf(requete.url.split(/[?#]/)[0]) < 0) return;
  e.respondWith(caches.open(REPERTOIRE).then(function(c) { return c.match(requete, {ignoreSearch: true}); })
                      .then(function(garde) { return garde || fetch(requete); }));
});
