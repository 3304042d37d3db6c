// Keeps the game's files so that, after a first visit, the page plays without
// the server (and installs as an app). The network comes first, so a new build
// on the server is what the player gets; the kept copy serves when it fails.
'use strict';
var REPERTOIRE = 'duskwane';
var FICHIERS = ['./', 'duskwane.js', 'duskwane.wasm', 'duskwane.data', 'manifest.webmanifest', 'favicon.ico',
                'duskwane-192.png', 'duskwane-512.png'];

self.addEventListener('install', function(e) {
  // Usually answered by the browser's cache: the page has just downloaded them.
  e.waitUntil(caches.open(REPERTOIRE).then(function(c) { return c.addAll(FICHIERS); }).then(function() {
    return self.skipWaiting();
  }));
});

self.addEventListener('activate', function(e) {
  e.waitUntil(self.clients.claim());
});

self.addEventListener('fetch', function(e) {
  var requete = e.request;
  if (requete.method !== 'GET' || new URL(requete.url).origin !== location.origin) return;
  e.respondWith(fetch(requete).then(function(reponse) {
    if (reponse.ok) {
      var copie = reponse.clone();
      e.waitUntil(caches.open(REPERTOIRE).then(function(c) { return c.put(requete, copie); }));
    }
    return reponse;
  }, function() {
    return caches.match(requete, {ignoreSearch: true}).then(function(r) {
      // The page under any of its addresses.
      return r || (requete.mode === 'navigate' ? caches.match('./') : Response.error());
    });
  }));
});
