// Loads the search index by a relative URL and lists every document with
// a link built from its name, as documentation search pages do.
var Search = {
  loadIndex: function (url) {
    var script = document.createElement("script");
    script.src = url;
    document.head.appendChild(script);
  },
  setIndex: function (index) {
    var results = document.getElementById("results");
    index.docnames.forEach(function (name, i) {
      var item = document.createElement("li");
      var link = document.createElement("a");
      link.href = name + ".html";
      link.textContent = index.titles[i];
      item.appendChild(link);
      results.appendChild(item);
    });
    document.body.setAttribute("data-index", "loaded");
  }
};
